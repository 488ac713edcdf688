// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The recent projects in a ListView: name and folder, a missing file dimmed and not chosen.
import QtQuick 2.15

Rectangle {
    id: root
    required property QtObject recentProjects

    width: 480
    height: 300
    color: palette.base

    SystemPalette { id: palette }

    Text {
        id: title
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 12 }
        text: qsTr("Recent Projects")
        font.bold: true
        font.pointSize: 13
        color: palette.text
    }

    ListView {
        id: list
        anchors { left: parent.left; right: parent.right; top: title.bottom; bottom: parent.bottom; margins: 8 }
        clip: true
        model: root.recentProjects

        delegate: Rectangle {
            required property string display
            required property string folder
            required property string path
            required property bool exists

            width: ListView.view.width
            height: texts.implicitHeight + 12
            radius: 4
            color: choose.containsMouse && exists ? palette.highlight : "transparent"
            opacity: exists ? 1 : 0.45

            Column {
                id: texts
                anchors { left: parent.left; right: parent.right; verticalCenter: parent.verticalCenter; margins: 8 }
                Text {
                    width: parent.width
                    text: exists ? display : qsTr("%1 (missing)").arg(display)
                    font.bold: true
                    elide: Text.ElideRight
                    color: choose.containsMouse && exists ? palette.highlightedText : palette.text
                }
                Text {
                    width: parent.width
                    text: folder
                    elide: Text.ElideMiddle
                    color: choose.containsMouse && exists ? palette.highlightedText : palette.text
                    opacity: 0.75
                }
            }

            MouseArea {
                id: choose
                anchors.fill: parent
                hoverEnabled: true
                enabled: exists
                // A host opens the project here; opening records it as the most recent.
                onClicked: root.recentProjects.addProject(path)
            }
        }
    }

    Text {
        anchors.centerIn: list
        visible: list.count === 0
        text: qsTr("No Recent Projects")
        color: palette.text
        opacity: 0.6
    }
}
