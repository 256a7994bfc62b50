// The e-mail address test, the Windows version names and the addresses handed to the desktop.
#include "core/email.h"
#include "core/weblinks.h"
#include "core/winversion.h"

#include <gtest/gtest.h>

using namespace core;

TEST(ValidEmail, AcceptsAtomsQuotedStringsAndHyphenatedLabels) {
    for (const char* text : {
             "a@b.cd",
             "ana.maria@correo.com.ar",
             "\"ana perez\"@x.com",
             "a@mi--sitio.com",
             "\"di\\\"jo\"@x.com", // an escaped quote stays inside the quoted string
             "\"a\".\"b\"@x.com",  // quoted words joined by a dot
             "\xF1"
             "and\xFA@x.com", // bytes above 127 are atom characters
             "o'neil+tag{1}@x1.b2.c",
             "a@b.c",
             "ventas@163.com", // a label may start with a digit
             "info@m\xFC"
             "ller.example", // an international domain, letters of the code page
             "a@\xF1"
             "and\xFA.\x9A"
             "a-\xC0.com",
         })
        EXPECT_TRUE(ValidEmail(text)) << text;
}

TEST(ValidEmail, RejectsWhatTheStateTableDoesNotAllow) {
    for (const char* text : {
             "",
             "a@bcd",
             "a@x\xD7y.com", // × and ÷ are no letters
             "a@x\xF7y.com",
             "a@x\xA0y.com",
             "a@x\x80y.com",
             "a@x_y.com",
             "a@x-.com",
             "a@x.com.",
             ".a@x.com",
             "a..b@x.com",
             "a@x.com ",
             "a@x..com",
             "a@.x.com",
             "a@x.com-",
             "@x.com",
             "a@",
             "a\"b@x.com",
             "\"ab\"x@x.com",
             "\"a\rb\"@x.com",
             "a\x7F@x.com",
             "a b@x.com",
             "a@x.com\n",
             "\"unterminated@x.com",
             "a.@x.com",
         })
        EXPECT_FALSE(ValidEmail(text)) << text;
    EXPECT_FALSE(ValidEmail(std::string_view("a\0b@x.com", 9)));
}

TEST(GetWindowsVersion, NamesEachRowOfTheTable) {
    EXPECT_EQ(GetWindowsVersion(WinPlatform::Windows9x, 4, 10), "Microsoft Windows 98");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::Windows9x, 5, 0), "Microsoft Windows 98");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::Windows9x, 4, 90), "Microsoft Windows ME");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::Windows9x, 4, 0), "Microsoft Windows 95");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::NT, 4, 0), "Microsoft Windows NT");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::NT, 5, 0), "Microsoft Windows 2000");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::NT, 5, 1), "Microsoft Windows XP");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::NT, 5, 2), "Microsoft Windows XP");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::NT, 6, 0), "");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::NT, 10, 0, "-"), "-");
    EXPECT_EQ(GetWindowsVersion(WinPlatform::Win32s, 5, 1), "Win32s");
}

TEST(WebLinks, AddressesAreEncodedSoTheyArriveUnchanged) {
    EXPECT_EQ(mailtoUrl("ana+ventas@x.com"),
              "mailto:ana+ventas@x.com?subject=&body=%C2%A1%20Escribe%20aqu%C3%AD%20el%20"
              "contenido%20del%20e-mail%20!");
    EXPECT_EQ(mailtoUrl("a&b=c?@x.com"), mailtoUrl("").replace(7, 0, "a%26b%3Dc%3F@x.com"));
    EXPECT_EQ(mailtoUrl("jos\xE9@x.com").substr(0, 22), "mailto:jos%C3%A9@x.com");
    EXPECT_EQ(tevoMailUrl("ana+ventas@x.com"),
              "http://tevosoft.example/form/mail.php?para=ana%2Bventas%40x.com&desde=200");
    EXPECT_EQ(tevoMailUrl("a&desde=1@x.com"),
              "http://tevosoft.example/form/mail.php?para=a%26desde%3D1%40x.com&desde=200");
    EXPECT_EQ(telUrl("055 123-456"), "tel:055%20123-456");
    EXPECT_EQ(telUrl("+54 (11) *31#"), "tel:+54%20(11)%20%2A31%23");
}

TEST(WebLinks, OnlyWebAddressesOpenAndABareHostBecomesHttp) {
    using V = WebLink::Verdict;
    struct Case {
        const char* text;
        V verdict;
        const char* url;
    } cases[] = {
        {"www.example.com", V::Open, "http://www.example.com"},
        {" www.example.com:8080/a b ", V::Open, "http://www.example.com:8080/a b"},
        {"HTTPS://Example.com/x", V::Open, "HTTPS://Example.com/x"},
        {"ftp://user@files.example.org", V::Open, "ftp://user@files.example.org"},
        {"http://x.example/file:///bin/sh", V::Open, "http://x.example/file:///bin/sh"},
        {"file:///etc/passwd", V::OtherScheme, nullptr},
        {"smb://server/share", V::OtherScheme, nullptr},
        {"C:\\Windows\\notepad.exe", V::OtherScheme, nullptr},
        {"javascript:alert(1)", V::OtherScheme, nullptr},
        {"/usr/bin/xterm", V::NoHost, nullptr},
        {"http:example.com", V::NoHost, nullptr},
        {"http://www.exa mple.com/", V::NoHost, nullptr}, // a blank in the host
        {"http://www.exa\tmple.com", V::NoHost, nullptr},
        {"www.example.com:8080", V::Open, "http://www.example.com:8080"},
    };
    for (const Case& c : cases) {
        WebLink link = webLink(c.text);
        EXPECT_EQ(link.verdict, c.verdict) << c.text;
        if (c.url) {
            EXPECT_EQ(link.url, c.url);
        }
    }
}

TEST(WebLinks, AnAtSignWithoutASchemeIsAnAddressOrNothing) {
    using V = WebLink::Verdict;
    // "http://" before these would make everything up to the "@" a user name and x.com the
    // host.
    for (const char* text : {"jos\xC3\xA9 +x@x.com", "x@y", "ana@x.com/", "www.x.com/@ana",
                             "evil.com\\@x.com", "a@b@x.com"}) {
        WebLink link = webLink(text);
        EXPECT_EQ(link.verdict, V::NoHost) << text;
        EXPECT_EQ(link.url.find("http"), std::string::npos) << text;
    }
    WebLink mail = webLink(" ana.maria@x.com ");
    EXPECT_EQ(mail.verdict, V::Mail);
    EXPECT_EQ(mail.url, "ana.maria@x.com");
    // A user name the text wrote itself stays.
    EXPECT_EQ(webLink("http://ana@x.example/").verdict, V::Open);
}

TEST(WebLinks, RecipientSeparatorsAreEncodedInTheAddress) {
    std::string url = mailtoUrl("\"a;b,c\"@x.com");
    EXPECT_EQ(url.substr(0, url.find('?')), "mailto:%22a%3Bb%2Cc%22@x.com");
    EXPECT_EQ(url.substr(url.find('?')), mailtoUrl("").substr(7));
}

TEST(WebLinks, HostWithPortIsAHostAndMailtoIsMailed) {
    using V = WebLink::Verdict;
    struct Case {
        const char* text;
        V verdict;
        const char* url;
    } cases[] = {
        {"localhost:8080", V::Open, "http://localhost:8080"},
        {"intranet:80/agenda?x=1", V::Open, "http://intranet:80/agenda?x=1"},
        {"localhost:65536", V::OtherScheme, nullptr},
        {"tel:5551234", V::OtherScheme, nullptr},
        {"localhost:80a", V::OtherScheme, nullptr},
        {"mailto:ventas@x.com", V::Mail, "ventas@x.com"},
        {"MailTo:ana@x.com?subject=hola", V::Mail, "ana@x.com"},
        {"mailto:%22ana%20perez%22@x.com", V::Mail, "\"ana perez\"@x.com"},
        {"mailto:ana", V::NoHost, nullptr},
        {"mailto:", V::NoHost, nullptr},
    };
    for (const Case& c : cases) {
        WebLink link = webLink(c.text);
        EXPECT_EQ(link.verdict, c.verdict) << c.text;
        if (c.url) {
            EXPECT_EQ(link.url, c.url) << c.text;
        }
    }
}
