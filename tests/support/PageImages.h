// SPDX-License-Identifier: Apache-2.0
#pragma once

// A second reader for drawn pages: pdftoppm's drawing of a page, and how far a thumbnail is from it.
// Header-only, for the tests that link Qt.

#include "tests/support/PdfFixtures.h"

#include <QImage>
#include <QString>

#include <cstdlib>
#include <string>

namespace quire::fixtures {

// pdftoppm's drawing of page `page` (0-based) of `path` scaled to `size`, in grey; written through
// `prefix`.png. Null when pdftoppm fails.
inline QImage PdftoppmPage(const std::string& path, int page, QSize size, const std::string& prefix,
                           const std::string& password = "")
{
    const std::string number = std::to_string(page + 1);
    std::vector<std::string> argv {"pdftoppm",
                                   "-png",
                                   "-singlefile",
                                   "-f",
                                   number,
                                   "-l",
                                   number,
                                   "-scale-to-x",
                                   std::to_string(size.width()),
                                   "-scale-to-y",
                                   std::to_string(size.height())};
    if (!password.empty())
        argv.insert(argv.end(), {"-upw", password});
    argv.insert(argv.end(), {path, prefix});
    if (RunChild(argv).exitCode != 0)
        return {};
    return QImage(QString::fromStdString(prefix + ".png")).convertToFormat(QImage::Format_Grayscale8);
}

// The mean difference of the grey levels of two images of one size, 0 to 255; 255 when their sizes
// differ or they are null.
inline double MeanGreyDifference(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size())
        return 255;
    const QImage greyA = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage greyB = b.convertToFormat(QImage::Format_Grayscale8);
    double total = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            total += std::abs(int(greyA.constScanLine(y)[x]) - int(greyB.constScanLine(y)[x]));
    }
    return total / (double(a.width()) * a.height());
}

} // namespace quire::fixtures
