// The whole data file as a labelled text list or as a searchable web page, written byte for
// byte in Windows-1252 with CR LF line ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace core {

namespace fs = std::filesystem;

// Creates (or truncates) `out` and writes the list of every record of `dataFile`. The data
// file is opened for reading and writing, as every data file is. Failures throw IoError and
// leave what was written.
void writeTextList(const fs::path& dataFile, bool persons, const fs::path& out);

// The four style strings of the page, put in as they are.
struct PageStyle {
    std::string fontSize, background, labelColour, valueColour;
};

// As writeTextList, for the web page, except that a failure removes the part written; `shownName`
// is the data file's name as the user knows it (UTF-8), written into the title and the table
// heading.
void writeWebPage(const fs::path& dataFile, bool persons, std::string_view shownName,
                  const PageStyle& style, const fs::path& out);

// A Windows-1252 text as HTML text: &, <, > and " become references, every other byte stays.
std::string htmlEscape(std::string_view text);
// A UTF-8 text as Windows-1252 HTML text; characters the code page lacks become numeric
// references, so that a file name keeps them all.
std::string htmlFromUtf8(std::string_view text);

} // namespace core
