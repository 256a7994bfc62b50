// The web page: a banner, a word search, the maker's links and a table with one block per
// record in which only the filled fields appear. Record texts and the file name are escaped;
// the style strings go in as the settings hold them.
#include "core/cp1252.h"
#include "core/exportfile.h"
#include "core/exports.h"
#include "core/weblinks.h"

#include <array>

namespace core {

namespace {

// The maker's second host, which serves the companies page's recommendation form.
constexpr const char* kSecondMakerHost = "http://miembros.tevosoft.example/";

struct Row {
    const char* label; // Windows-1252 HTML
    const char* ending;
};

constexpr Row kPersonRows[] = {{"<b>Nombre: </b>", "</b> </td></tr>"},
                               {"Tel\xE9"
                                "fono fijo: ",
                                " </td></tr>"},
                               {"Tel\xE9"
                                "fono M\xF3"
                                "vil: ",
                                "</td></tr>"},
                               {"Otro Tel\xE9"
                                "fono: ",
                                "</td></tr>"},
                               {"Direcci\xF3"
                                "n: ",
                                "</td></tr>"},
                               {"E - Mail 1: ", "</td></tr>"},
                               {"E - Mail 2: ", "</td></tr>"},
                               {"Sitio Web: ", "</td></tr>"},
                               {"Comentarios: ", "</td></tr>"}};

constexpr Row kCompanyRows[] = {{"<b>Nombre: </b>", "</b> </td></tr>"},
                                {"Rubro / Giro: ", " </td></tr>"},
                                {"Tel\xE9"
                                 "fono: ",
                                 "</td></tr>"},
                                {"Fax: ", "</td></tr>"},
                                {"Sitio Web: ", "</td></tr>"},
                                {"E - Mail 1: ", "</td></tr>"},
                                {"Contacto (personas): ", "</td></tr>"},
                                {"Direcci\xF3"
                                 "n: ",
                                 "</td></tr>"},
                                {"Comentarios: ", "</td></tr>"}};

constexpr const char* kGeorgia = "<font face=\"Georgia, Times New Roman, Times, serif\">";
constexpr const char* kVerdana = "Verdana, Arial, Helvetica, sans-serif";
constexpr const char* kSearchFont = "<font color=\"#00CCCC\" size=\"4\"><b>";

// The page's word search, lines 6 to 10 of the page. `n` counts the matches already shown
// and is reset when the box changes. Browsers with layers or a true document.all use their
// own find functions; every other browser walks the page's text itself, with the same
// stepping and wrap-around.
constexpr const char* kScript[] = {
    R"js(<script language="JavaScript">var NS4 = (document.layers); var IE4 = (document.all); var win = window; var n = 0;)js",
    R"js(function findInPage(str) { var txt, i, found; if (str == "") return false; if (NS4) { if (!win.find(str)) while (win.find(str, false, true)) n++; else n++; if (n == 0) alert("Not found."); })js",
    R"js(if (IE4) { txt = win.document.body.createTextRange(); for (i = 0; i <= n && (found = txt.findText(str)) != false; i++) { txt.moveStart("character", 1); txt.moveEnd("textedit"); } if (found) { txt.moveStart("character", -1); txt.findText(str); txt.select(); txt.scrollIntoView(); n++; } else { if (n > 0) { n = 0; findInPage(str); } else alert("No se encontro."); } })js",
    R"js(if (!NS4 && !IE4) { var place, nodes = [], all = "", walk = document.createTreeWalker(document.body, 4, null), t, at = -1, key = str.toLowerCase(); place = function (k, end) { for (var j = nodes.length - 1; j >= 0; j--) if (nodes[j][1] < k || (!end && nodes[j][1] == k)) return [nodes[j][0], k - nodes[j][1]]; return [nodes[0][0], 0]; }; while ((t = walk.nextNode())) { if (t.parentNode.nodeName != "SCRIPT") { nodes.push([t, all.length]); all += t.nodeValue; } } all = all.toLowerCase(); for (i = 0; i <= n; i++) { at = all.indexOf(key, at + 1); if (at < 0) break; } if (at >= 0) { var range = document.createRange(), sel = win.getSelection(), s = place(at, false), e = place(at + key.length, true); range.setStart(s[0], s[1]); range.setEnd(e[0], e[1]); sel.removeAllRanges(); sel.addRange(range); if (s[0].parentNode.scrollIntoView) s[0].parentNode.scrollIntoView(); n++; } else { if (n > 0) { n = 0; findInPage(str); } else alert("No se encontro."); } })js",
    R"js(return false; }</script> </font></b></font><form name="search" onSubmit="return findInPage(this.string.value);"><p align="center">)js"};

std::string link(const std::string& url, const char* text) {
    return "<a href=\"" + htmlEscape(url) + "\">" + text;
}

void writeOpening(exportfile::OutputBuffer& out, bool persons, const std::string& name,
                  const PageStyle& style) {
    const std::string meta =
        "</title><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">";
    out.line((persons ? "<html><head><title>Lista de registros de Personas: "
                      : "<html><head><title>Lista de registros Organizaciones : ") +
             name + meta);
    out.line("</head><body bgcolor=\"" + style.background +
             "\"><div id=\"Layer1\" style=\"position:absolute; left:348px; top:32px; "
             "width:371px; height:35px; z-index:1; background-color: #FF6666; "
             "layer-background-color: #FF6666; border: 1px none #000000\">");
    out.line(std::string("<div align=\"center\"><font size=\"4\"><b><font size=\"6\"><font "
                         "face=\"Georgia, Times New Roman, Times, serif\" color=\"#6600CC\"><font "
                         "face=\"") +
             kVerdana + "\">Tevo     Riviva 2.0</font></font></font></b></font></div>");
    out.line(std::string("</div><div id=\"Layer2\" style=\"position:absolute; left:454px; "
                         "top:71px; width:266px; height:42px; z-index:2\"><font color=\"#CCCCCC\" "
                         "size=\"3\" face=\"") +
             kVerdana + "\">Lista");
    out.line(std::string(persons ? "generada de personas" : "generada de Organizaciones") +
             "</font></div><div id=\"Layer3\" style=\"position:absolute; left:40px; top:1px; "
             "width:149px; height:130px; z-index:3\"><font color=\"#00CCCC\" size=\"4\"><b>" +
             kGeorgia);
    for (std::size_t i = 0; i + 1 < std::size(kScript); ++i)
        out.line(kScript[i]);
    out.line(std::string(kScript[std::size(kScript) - 1]) + kSearchFont);
    out.line(std::string(kGeorgia) +
             " <input name=\"string\" type=\"text\" size=\"15\" onChange=\"n = 0;\"></font></b>"
             "</font></p><p align=\"center\">" +
             kSearchFont + kGeorgia);
    out.line(std::string("<input type=\"submit\" value=\"Buscar palabra\" name=\"submit\">"
                         "</font></b></font></p><p>") +
             kSearchFont + kGeorgia + " </font></b></font></p></form></div><div id=\"Layer4\"");
    out.line("style=\"position:absolute; left:212px; top:2px; width:528px; height:22px; "
             "z-index:4\">[<a name=\"top\"></a>" +
             link(makerPage("software/zuzovi2/index.htm"), "Web Tevo Riviva 2.0") + "</a> |");
    const std::string friendPage = persons ? makerPage("form/sfriend.htm", "de=200")
                                           : std::string(kSecondMakerHost) + "tevo/pub/friendf.htm";
    out.line(link(makerPage(""), "Web Tevo Soft") + "</a> | " + link(friendPage, "Avisar"));
    out.line("de este programa a un amigo</a> ]</div><p>&nbsp;</p><p>&nbsp;</p><table "
             "width=\"700\" border=\"1\" bordercolor=\"#006498\"><tr bordercolor=\"#6666FF\"><td "
             "colspan=\"2\"><div align=\"center\"><font size=\"3\"><b><font");
    out.line(std::string(" face=\"") + kVerdana + "\" size=\"2\">" +
             (persons ? "Lista obtenida del archivo de personas: &lt;"
                      : "Lista obtenida del archivo de Organizaciones: &lt;") +
             name +
             "&gt;</font></b></font></div></td></tr><tr bordercolor=\"#006699\"><td "
             "width=\"19%\" height=\"21\">&nbsp;</td>");
    out.line(
        "<td colspan=\"2\" width=\"81%\" height=\"21\">&nbsp;</td></tr><tr "
        "bordercolor=\"#6666FF\"><td width=\"19%\" height=\"24\"><font color=\"#FF9900\"><font "
        "color=\"#FFCC33\"><b>Campo</b></font></font></td><td colspan=\"2\" width=\"81%\" "
        "height=\"24\">");
    out.line("<font color=\"#FFCC33\"><b>Contenido</b></font></td>");
    out.line("</tr>");
}

// What a record's block holds besides the record's texts; made once for the page.
struct BlockPieces {
    std::string opening;
    // Before and after the text of each slot, with the line end.
    std::array<std::string, kSlotCount> before, after;
};

BlockPieces blockPieces(bool persons, const PageStyle& style) {
    BlockPieces p;
    p.opening = "<tr bordercolor=\"#0099FF\"><td colspan=\"3\" height=\"46\"> <table "
                "width=\"100%\" border=\"0\" height=\"100%\">";
    if (persons)
        p.opening += "<font color=\"" + style.labelColour + "\">";
    p.opening += "\r\n";
    const Row* rows = persons ? kPersonRows : kCompanyRows;
    const std::string size = "\"size=\"" + style.fontSize + "+\">";
    for (int slot = 0; slot < kSlotCount; ++slot) {
        p.before[slot] = "<tr><td width=\"19%\"><font color=\"" + style.labelColour + size +
                         rows[slot].label + "</td><td width=\"81%\"><font color=\"" +
                         style.valueColour + size + (slot == 0 ? "<b>" : "");
        p.after[slot] = std::string(rows[slot].ending) + "\r\n";
    }
    return p;
}

constexpr std::string_view kBlockEnd =
    "<td colspan=\"3\" height=\"46\">[ <a href=\"#top\">Subir</a> ]</td>\r\n"
    "</table></td></tr>\r\n";

// Only the filled fields of the record appear.
void writeBlock(exportfile::OutputBuffer& out, const BlockPieces& pieces,
                const unsigned char* record) {
    out.append(pieces.opening);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::string_view text = exportfile::slotText(record, slot);
        if (text.empty())
            continue;
        out.append(pieces.before[slot]);
        out.htmlEscaped(text);
        out.append(pieces.after[slot]);
    }
    out.append(kBlockEnd);
}

void appendUtf8AsHtml(std::string& out, char32_t cp) {
    int byte = unicodeToCp1252(cp);
    // The five bytes the code page leaves undefined are no characters of a page either.
    bool undefined = cp >= 0x80 && cp <= 0x9F;
    if (byte < 0 || undefined) {
        out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
        return;
    }
    out += htmlEscape(std::string(1, static_cast<char>(byte)));
}

} // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string htmlFromUtf8(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
        char32_t cp = length == 1   ? lead
                      : length == 2 ? lead & 0x1F
                      : length == 3 ? lead & 0x0F
                                    : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid) {
            cp = 0xFFFD; // a byte that is no UTF-8 shows as the replacement character
            length = 1;
        }
        appendUtf8AsHtml(out, cp);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

void writeWebPage(const fs::path& dataFile, bool persons, std::string_view shownName,
                  const PageStyle& style, const fs::path& out) {
    fileio::File file = fileio::createTruncate(out);
    try {
        exportfile::RecordReader records(dataFile);
        exportfile::OutputBuffer lines(file);
        const std::string name = htmlFromUtf8(shownName);
        writeOpening(lines, persons, name, style);
        const BlockPieces pieces = blockPieces(persons, style);
        while (const unsigned char* record = records.next()) {
            writeBlock(lines, pieces, record);
            lines.writeIfFull();
        }
        lines.line("(*) Los campos sin contenido no se muestran.");
        lines.line("</table></body></html>");
        records.close();
        lines.flush();
        file.close();
    } catch (...) {
        // A page cut short (a full disk, an unreadable data file) is of no use to anyone.
        file = fileio::File();
        fileio::removeQuietly(out);
        throw;
    }
}

} // namespace core
