// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The main of a widgets test: a QApplication on the offscreen platform, named on its command line as the Windows leg needs.
#pragma once

#include <QtTest/QTest>
#include <QtWidgets/QApplication>

#include <vector>

namespace WidgetTest {

// Runs the tests of test in a QApplication that shows nothing on any screen:
// QT_QPA_PLATFORM alone does not reach the platform choice of Qt under wine.
template <typename TestObject>
int run(int argc, char **argv)
{
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    std::vector<char *> arguments(argv, argv + argc);
    arguments.push_back(platformOption);
    arguments.push_back(offscreen);
    arguments.push_back(nullptr);
    int count = argc + 2;
    QApplication app(count, arguments.data());
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace WidgetTest
