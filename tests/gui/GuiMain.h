#pragma once
// Main of the Qt tests: settings go to a temporary folder, and the OpenGL surface is the one the
// program asks for.
#include "SurfaceFormat.h"
#include <QApplication>

#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#define FIGURANT_GUI_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char** argv) {                                                                        \
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {                                                        \
            std::puts("skipped: no X display (run under xvfb-run)");                                         \
            return 77;                                                                                       \
        }                                                                                                    \
        QTemporaryDir config;                                                                                \
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());                                                  \
        QSurfaceFormat::setDefaultFormat(figurant::ProgramSurfaceFormat());                                  \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
