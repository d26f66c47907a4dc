// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

// Reads a PDF file with qpdf's command line (its JSON output), with a time limit; fails the current
// test with the tool's output when it fails or runs too long. The checks through qpdf --check,
// pdfinfo and pdftotext are the fixtures' (PdfFixtures.h).

// The outline as qpdf reads it: one line per entry, "Title -> 4" (or "Title" for an entry without a
// target page), indented two blanks per level.
std::vector<std::string> OutlineLines(const std::string& path);
