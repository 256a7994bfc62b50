// The addresses handed to the desktop: the maker's pages, mailto: and tel: requests and the
// web sites of the records. Built here, percent-encoded, so that the receiving program gets
// the texts exactly as the user sees them.
#pragma once

#include <string>
#include <string_view>

namespace core {

inline constexpr std::string_view kMakerSite = "http://tevosoft.example/";
inline constexpr std::string_view kMakerContact = "contacto@tevosoft.example";

// UTF-8 bytes of a Windows-1252 text.
std::string utf8FromCp1252(std::string_view bytes);

// Every byte that is neither unreserved (letters, digits, "-._~") nor in `keep` as %XX.
std::string percentEncode(std::string_view bytes, std::string_view keep = {});

// A page of the maker's site: the site, the path and, when given, "?" and the query.
std::string makerPage(std::string_view path, std::string_view query = {});

// "mailto:" + address with an empty subject and the program's body text. The address is
// Windows-1252; the result is ASCII.
std::string mailtoUrl(std::string_view address);

// The maker's web mail form for an address (Windows-1252), the address as one query value.
std::string tevoMailUrl(std::string_view address);

// "tel:" + the destination (UTF-8) as typed, blanks and all.
std::string telUrl(std::string_view destination);

// What a click on a web-site field may open. Only web addresses are opened; a text without a
// scheme ("www.example.com", "localhost:8080") is taken for one unless it holds an "@", which
// makes it an e-mail address or nothing. A "mailto:" address is mailed.
struct WebLink {
    enum class Verdict { Open, Mail, OtherScheme, NoHost } verdict;
    // Open: the text as typed, trimmed, "http://" put before it when it had no scheme.
    // Mail: the address alone, decoded.
    std::string url;
};
// The text is UTF-8.
WebLink webLink(std::string_view text);

} // namespace core
