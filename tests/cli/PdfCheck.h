// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <map>
#include <string>
#include <vector>

// Reads a PDF file with tools that are not ours (qpdf's command line and poppler's utilities), each
// with a time limit. Every function fails the current test with the tool's output when the tool
// fails or runs too long.

// `qpdf --check` finds no error and no warning.
bool QpdfCheckPasses(const std::string& path);

// pdfinfo's "Key: value" lines.
std::map<std::string, std::string> PdfInfo(const std::string& path);

// The text of every page (pdftotext), white space collapsed to single blanks and trimmed.
std::vector<std::string> PageTexts(const std::string& path);

// The outline as qpdf reads it: one line per entry, "Title -> 4" (or "Title" for an entry without a
// target page), indented two blanks per level.
std::vector<std::string> OutlineLines(const std::string& path);

// The full names of the form's fields as qpdf reads them, in qpdf's order.
std::vector<std::string> FieldNames(const std::string& path);
