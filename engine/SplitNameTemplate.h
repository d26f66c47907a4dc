// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

namespace quire {

// The file name of a split part, made from a template such as "{title}_p{begin}-{end}".
//
// Fields: {title} (the source's file title), {begin} and {end} (source page numbers), {n} (the part's
// number within its row, zero-padded to the width of the row's part count), {bookmark} (the outline
// item a part starts at). Every other character is taken as written. A value is made safe for a file
// name: '/', NUL and other control characters become '_'. A name that starts with {bookmark} gets '_'
// for a leading '.' or '-' (a source's title keeps its own). The name is cut at a UTF-8 character boundary so that it
// fits 255 bytes with ".pdf"; a long {bookmark} is shortened first, so that the fields after it stay.
class SplitNameTemplate
{
public:
    // What one part fills in.
    struct Fields
    {
        std::string title;
        int begin = 0;
        int end = 0;
        int number = 1;
        int count = 1; // parts in the row: {n} is padded to its width
        std::string bookmark {};
    };

    // Parses `text` (empty: kDefaultSplitNameTemplate). Throws PdfError (Refused) with a sentence for
    // an unknown field, a '{' that opens none, and a '/' outside the fields.
    explicit SplitNameTemplate(const std::string& text);

    // The file name, with ".pdf"; empty when the template gives no name at all for these fields.
    std::string Name(const Fields& fields) const;

    // The template's text as given (the default when none was).
    const std::string& Text() const { return m_text; }

    // `value` with '/', NUL and control characters replaced by '_'.
    static std::string SafeValue(const std::string& value);
    // The longest prefix of `text` of at most `bytes` bytes that does not cut a UTF-8 character.
    static std::string CutUtf8(const std::string& text, std::size_t bytes);

private:
    enum class Field { Literal, Title, Begin, End, Number, Bookmark };
    struct Piece
    {
        Field field = Field::Literal;
        std::string text {};
    };
    std::string Render(const Fields& fields, const std::string& bookmark) const;

    std::string m_text;
    std::vector<Piece> m_pieces;
    int m_bookmarks = 0; // how often {bookmark} appears
};

} // namespace quire
