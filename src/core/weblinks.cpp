#include "core/weblinks.h"

#include "core/cp1252.h"
#include "core/email.h"

#include <cctype>

namespace core {

namespace {

// The sub-delimiters a mailto: header value may carry as they are; "&", "=", "?" and "#"
// would end or split the value.
constexpr std::string_view kMailtoKeep = "!$'()*+,;:@";
// The address part keeps fewer: "," separates recipients there, and some mail programs
// take ";" for the same.
constexpr std::string_view kMailtoAddressKeep = "!$'()*+:@";

constexpr std::string_view kMailBody = u8"¡ Escribe aquí el contenido del e-mail !";

bool isUnreserved(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string_view trimmed(std::string_view text) {
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Whether `rest`, what follows a colon, begins with a port: one to five digits, at most
// 65535, then the end or a path, query or fragment ("localhost:8080/x").
bool startsWithPort(std::string_view rest) {
    auto end = rest.find_first_of("/?#");
    std::string_view digits = rest.substr(0, end);
    if (digits.empty() || digits.size() > 5)
        return false;
    unsigned value = 0;
    for (unsigned char c : digits) {
        if (!std::isdigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= 65535;
}

// The scheme of a text, or empty. A name before ":" counts only when it is a scheme's name
// and either "://" follows or it holds no dot and no port follows ("www.example.com:8080"
// and "localhost:8080" have no scheme).
std::string_view schemeOf(std::string_view text) {
    auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return {};
    std::string_view name = text.substr(0, colon);
    if (!std::isalpha(static_cast<unsigned char>(name[0])))
        return {};
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return {};
    bool slashes = text.substr(colon, 3) == "://";
    if (!slashes &&
        (name.find('.') != std::string_view::npos || startsWithPort(text.substr(colon + 1))))
        return {};
    return name;
}

int hexValue(unsigned char c) {
    if (std::isdigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high = i + 2 < text.size() && text[i] == '%' ? hexValue(text[i + 1]) : -1;
        int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The recipient of "mailto:address[?headers]", decoded.
std::string mailtoRecipient(std::string_view url) {
    std::string_view rest = url.substr(url.find(':') + 1);
    return percentDecode(rest.substr(0, rest.find('?')));
}

// The host of "scheme://[user@]host[:port]/...", empty when there is none.
std::string_view hostOf(std::string_view url) {
    auto start = url.find("://");
    if (start == std::string_view::npos)
        return {};
    std::string_view authority = url.substr(start + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    auto at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority = authority.substr(at + 1);
    if (!authority.empty() && authority[0] == '[')
        return authority.substr(0, authority.find(']') + 1);
    return authority.substr(0, authority.find(':'));
}

bool usableHost(std::string_view host) {
    if (host.empty())
        return false;
    for (unsigned char c : host)
        if (c <= 32 || c == 127 ||
            std::string_view("\\\"<>^`{|}").find(c) != std::string_view::npos)
            return false;
    return true;
}

} // namespace

std::string utf8FromCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes)
        appendUtf8(out, cp1252ToUnicode(b));
    return out;
}

std::string percentEncode(std::string_view bytes, std::string_view keep) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (isUnreserved(c) || keep.find(static_cast<char>(c)) != std::string_view::npos) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

std::string makerPage(std::string_view path, std::string_view query) {
    std::string url(kMakerSite);
    url += path;
    if (!query.empty()) {
        url += '?';
        url += query;
    }
    return url;
}

std::string mailtoUrl(std::string_view address) {
    return "mailto:" + percentEncode(utf8FromCp1252(address), kMailtoAddressKeep) +
           "?subject=&body=" + percentEncode(kMailBody, kMailtoKeep);
}

std::string tevoMailUrl(std::string_view address) {
    return makerPage("form/mail.php",
                     "para=" + percentEncode(utf8FromCp1252(address)) + "&desde=200");
}

std::string telUrl(std::string_view destination) {
    return "tel:" + percentEncode(destination, "+()");
}

WebLink webLink(std::string_view text) {
    std::string_view t = trimmed(text);
    std::string_view scheme = schemeOf(t);
    if (scheme.empty() && t.find('@') != std::string_view::npos) {
        // "http://" before "ana perez@x.com" would make "ana perez" a user name and x.com the
        // host: an "@" stays in a web address only where the text wrote the scheme itself.
        if (ValidEmail(t))
            return {WebLink::Verdict::Mail, std::string(t)};
        return {WebLink::Verdict::NoHost, std::string(t)};
    }
    std::string url = scheme.empty() ? "http://" + std::string(t) : std::string(t);
    if (!scheme.empty()) {
        std::string name = lower(scheme);
        if (name == "mailto") {
            std::string recipient = mailtoRecipient(t);
            if (ValidEmail(recipient))
                return {WebLink::Verdict::Mail, recipient};
            return {WebLink::Verdict::NoHost, url};
        }
        if (name != "http" && name != "https" && name != "ftp")
            return {WebLink::Verdict::OtherScheme, url};
    }
    if (!usableHost(hostOf(url)))
        return {WebLink::Verdict::NoHost, url};
    return {WebLink::Verdict::Open, url};
}

} // namespace core
