// SPDX-License-Identifier: Apache-2.0
#include "app/CQuireApp.h"
#include "app/CSignalCloser.h"
#include "preview/CPageRenderServer.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // The helper that draws thumbnails for the window: no window of its own, and no display needed.
    if (argc > 1 && std::strcmp(argv[1], "--render-pages") == 0) {
        QCoreApplication helper(argc, argv);
        return CPageRenderServer::Run(STDIN_FILENO, STDOUT_FILENO);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quire Binder"));
    QApplication::setOrganizationName(QStringLiteral("Vellum"));
    CSignalCloser closer;
    CQuireApp app;
    if (!app.InitInstance(QApplication::arguments()))
        return app.ExitInstance(0);
    return app.ExitInstance(QApplication::exec());
}
