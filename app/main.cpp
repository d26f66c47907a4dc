// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireApp.h"
#include "app/CSignalCloser.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quire Binder"));
    QApplication::setOrganizationName(QStringLiteral("Vellum"));
    CSignalCloser closer;
    CQuireApp app;
    if (!app.InitInstance(QApplication::arguments()))
        return app.ExitInstance(0);
    return app.ExitInstance(QApplication::exec());
}
