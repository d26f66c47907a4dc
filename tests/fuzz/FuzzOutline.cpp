// SPDX-License-Identifier: Apache-2.0
// Arbitrary bytes through the outline walker and the trimming a job applies to its result.
#include "engine/PdfError.h"
#include "engine/PdfReader.h"
#include "engine/SimpleBookmark.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteFuzzInput(data, size, "outline");
    try {
        pdf::PdfReader reader(path);
        std::optional<pdf::BookmarkList> list = pdf::SimpleBookmark::GetBookmark(reader);
        if (!list)
            return 0;
        const int pages = reader.NumberOfPages();
        (void)pdf::SimpleBookmark::Count(*list);
        // The trimming of a range 2..pages-1, as a row with both ends moved in would get it.
        pdf::SimpleBookmark::EliminatePages(*list, 1, 1);
        pdf::SimpleBookmark::EliminatePages(*list, pages, pages);
        pdf::SimpleBookmark::ShiftPageNumbers(*list, -1, 2, pages - 1);
        (void)pdf::SimpleBookmark::Count(*list);
    } catch (const pdf::PdfError&) { }
    return 0;
}
