// SPDX-License-Identifier: Apache-2.0
// The one gtest entry point of every test binary. Built twice: plain, and with one QApplication
// kept for the whole run (QUIRE_TEST_WITH_QT) for the binaries that drive widgets.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#ifdef QUIRE_TEST_WITH_QT
#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#endif

int main(int argc, char** argv)
{
    // Numbers and messages must not depend on the machine's language.
    setenv("LC_ALL", "C", 1);
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
#ifdef QUIRE_TEST_WITH_QT
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale::c());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quire Binder"));
    QApplication::setOrganizationName(QStringLiteral("Vellum"));
#endif
    return RUN_ALL_TESTS();
}
