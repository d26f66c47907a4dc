// SPDX-License-Identifier: Apache-2.0
// Arbitrary bytes as a PDF file: opening it and asking everything the intake and `quire info` ask
// must either work or raise PdfError, never crash, hang or leak.
#include "engine/PdfError.h"
#include "engine/PdfReader.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteFuzzInput(data, size, "reader");
    try {
        pdf::PdfReader reader(path);
        (void)reader.NumberOfPages();
        (void)reader.HasOutline();
        (void)reader.HasAcroForm();
        (void)reader.IsEncrypted();
        (void)reader.Info();
        (void)reader.Warnings();
        reader.Close();
    } catch (const pdf::PdfError&) { }
    return 0;
}
