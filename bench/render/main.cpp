// SPDX-License-Identifier: Apache-2.0
// Renders the pages of one PDF file at thumbnail size with one renderer and prints one line: the
// pages rendered, the pages that failed and the seconds taken ("-1" pages when the file could not be
// opened). bench/run-render.sh runs it once per file and renderer, under a time limit and
// /usr/bin/time, so that a renderer that hangs or crashes on a file costs only that file.
//
//   quire_bench_render poppler|qtpdf [--width W] [--pages N] [--password P] FILE
//
// W is the thumbnail width in pixels (128); N the most pages rendered (all). A page fails when the
// renderer gives back no image.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>
#include <QString>
#include <poppler-qt6.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

struct Tally
{
    int pages = 0;
    int failed = 0;
};

Tally RenderPoppler(const QString& path, const QByteArray& password, int width, int maxPages)
{
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(path, password, password);
    if (!doc || doc->isLocked())
        return {-1, 0};
    doc->setRenderHint(Poppler::Document::Antialiasing);
    doc->setRenderHint(Poppler::Document::TextAntialiasing);
    Tally tally;
    const int count = maxPages > 0 ? std::min(maxPages, doc->numPages()) : doc->numPages();
    for (int i = 0; i < count; ++i) {
        ++tally.pages;
        std::unique_ptr<Poppler::Page> page = doc->page(i);
        if (!page) {
            ++tally.failed;
            continue;
        }
        const QSizeF points = page->pageSizeF();
        const double dpi = points.width() > 0 ? 72.0 * width / points.width() : 72.0;
        if (page->renderToImage(dpi, dpi).isNull())
            ++tally.failed;
    }
    return tally;
}

Tally RenderQtPdf(const QString& path, const QString& password, int width, int maxPages)
{
    QPdfDocument doc;
    doc.setPassword(password);
    if (doc.load(path) != QPdfDocument::Error::None)
        return {-1, 0};
    Tally tally;
    const int count = maxPages > 0 ? std::min(maxPages, doc.pageCount()) : doc.pageCount();
    for (int i = 0; i < count; ++i) {
        ++tally.pages;
        const QSizeF points = doc.pagePointSize(i);
        const int height = points.width() > 0 ? qRound(width * points.height() / points.width()) : width;
        if (doc.render(i, QSize(width, std::max(1, height))).isNull())
            ++tally.failed;
    }
    return tally;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    int width = 128;
    int maxPages = 0;
    QString password;
    QString file;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--width") && i + 1 < args.size())
            width = args[++i].toInt();
        else if (args[i] == QLatin1String("--pages") && i + 1 < args.size())
            maxPages = args[++i].toInt();
        else if (args[i] == QLatin1String("--password") && i + 1 < args.size())
            password = args[++i];
        else
            file = args[i];
    }
    if (args.isEmpty() || file.isEmpty()
        || (args[0] != QLatin1String("poppler") && args[0] != QLatin1String("qtpdf"))) {
        std::fprintf(stderr, "usage: quire_bench_render poppler|qtpdf [--width W] [--pages N] [--password P] FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const Tally t = args[0] == QLatin1String("poppler") ? RenderPoppler(file, password.toUtf8(), width, maxPages)
                                                        : RenderQtPdf(file, password, width, maxPages);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d\t%d\t%.4f\n", t.pages, t.failed, seconds);
    return 0;
}
