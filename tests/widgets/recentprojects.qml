// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A ListView over the recent-projects model whose rows the test reads: every role a delegate sees, in one text.
import QtQuick 2.15

ListView {
    width: 400; height: 400
    delegate: Text { text: [model.display, model.path, model.folder, model.exists].join("|") }
}
