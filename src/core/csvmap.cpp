#include "core/csvmap.h"

#include "core/cp1252.h"
#include "core/exportfile.h"
#include "core/vcard.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace core {

namespace {

using csvmap::Column;
using csvmap::Role;

// The labels of the entry dialog's fields, without their colons.
const std::array<std::string_view, kSlotCount> kPersonColumns = {
    "Nombre, Apellido, Apodo", "Num. Telefónico Fijo",
    "Num. Telefónico Móvil",   "Otro Num. Telefónico",
    "Ubicación / Dirección",   "Correo Electrónico 1",
    "Correo Electrónico 2",    "Sitio Web",
    "Información Adicional"};
const std::array<std::string_view, kSlotCount> kCompanyColumns = {"Nombre Organización",
                                                                  "Rubro / Giro",
                                                                  "Número Telefónico",
                                                                  "Número de Fax",
                                                                  "Sitio Web",
                                                                  "Correo Electrónico",
                                                                  "Contacto (Personas)",
                                                                  "Ubicación / Dirección",
                                                                  "Información Adicional"};

// A column of the web-mail layout: the text of a slot, or the kind of the value beside it
// (written only where that value is).
struct OutColumn {
    std::string_view name;
    int slot;
    std::string_view type = {};
};

const std::vector<OutColumn> kWebMailPersons = {
    {"Name", person::Name},
    {"Notes", person::Notes},
    {"E-mail 1 - Type", person::Email1, "* Home"},
    {"E-mail 1 - Value", person::Email1},
    {"E-mail 2 - Type", person::Email2, "Other"},
    {"E-mail 2 - Value", person::Email2},
    {"Phone 1 - Type", person::Phone, "Home"},
    {"Phone 1 - Value", person::Phone},
    {"Phone 2 - Type", person::Mobile, "Mobile"},
    {"Phone 2 - Value", person::Mobile},
    {"Phone 3 - Type", person::OtherPhone, "Other"},
    {"Phone 3 - Value", person::OtherPhone},
    {"Address 1 - Type", person::Address, "Home"},
    {"Address 1 - Formatted", person::Address},
    {"Website 1 - Type", person::WebSite, "Home Page"},
    {"Website 1 - Value", person::WebSite},
};
const std::vector<OutColumn> kWebMailCompanies = {
    {"Name", company::Name},
    {"Notes", company::Notes},
    {"E-mail 1 - Type", company::Email, "* Work"},
    {"E-mail 1 - Value", company::Email},
    {"Phone 1 - Type", company::Phone, "Work"},
    {"Phone 1 - Value", company::Phone},
    {"Phone 2 - Type", company::Fax, "Work Fax"},
    {"Phone 2 - Value", company::Fax},
    {"Address 1 - Type", company::Address, "Work"},
    {"Address 1 - Formatted", company::Address},
    {"Organization 1 - Type", company::Name, "Work"},
    {"Organization 1 - Name", company::Name},
    {"Organization 1 - Job Description", company::Business},
    {"Website 1 - Type", company::WebSite, "Work"},
    {"Website 1 - Value", company::WebSite},
    {"Custom Field 1 - Type", company::Contacts, "Contactos"},
    {"Custom Field 1 - Value", company::Contacts},
};

// --- names of columns -----------------------------------------------------------------------

// A column name as it is looked up: small letters without accents, single blanks, no colon
// at the end.
std::string keyOf(std::string_view name) {
    std::int64_t lost = 0;
    const std::string bytes = utf8ToCp1252(name, lost);
    std::string key;
    for (const char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + 0x20);
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
            c = static_cast<unsigned char>(c + 0x20);
        static const std::string_view accented = "\xE0\xE1\xE2\xE4\xE8\xE9\xEA\xEB\xEC\xED\xEE"
                                                 "\xEF\xF2\xF3\xF4\xF6\xF9\xFA\xFB\xFC\xF1";
        static const std::string_view plain = "aaaaeeeeiiiioooouuuun";
        const std::size_t at = accented.find(static_cast<char>(c));
        if (at != std::string_view::npos)
            c = static_cast<unsigned char>(plain[at]);
        if (c == ' ' || c == '\t') {
            if (!key.empty() && key.back() != ' ')
                key += ' ';
            continue;
        }
        key += static_cast<char>(c);
    }
    while (!key.empty() && (key.back() == ' ' || key.back() == ':'))
        key.pop_back();
    return key;
}

// Column groups of the named addresses and telephones; numbered entries use their number.
enum : int { kHome = 1001, kWork, kOther };

// The columns that the web-mail pages and the mail programs export, in English and in the
// Spanish of their translations. Columns known but not kept map to Role::None.
const std::unordered_map<std::string, Column>& dictionary() {
    static const std::unordered_map<std::string, Column> table = [] {
        std::unordered_map<std::string, Column> t;
        const auto add = [&t](std::initializer_list<const char*> names, Role role, int group = 0,
                              const char* type = "") {
            for (const char* name : names)
                t[keyOf(name)] = Column{role, group, type};
        };
        add({"name", "full name", "display name", "nombre completo", "nombre para mostrar",
             "nombre y apellidos"},
            Role::FullName);
        add({"given name", "first name", "nombre", "nombre de pila"}, Role::GivenName);
        add({"additional name", "middle name", "segundo nombre"}, Role::MiddleName);
        add({"family name", "last name", "surname", "apellidos", "apellido"}, Role::FamilyName);
        add({"name prefix", "title", "tratamiento", "prefijo"}, Role::NamePrefix);
        add({"name suffix", "suffix", "sufijo"}, Role::NameSuffix);
        add({"company", "organization", "organisation", "organization name", "organizacion",
             "compania", "compañia", "empresa", "organizacion 1 - nombre"},
            Role::Organization);
        add({"department", "organization department", "departamento"}, Role::Department);
        add({"job title", "organization title", "puesto", "cargo"}, Role::JobTitle);
        add({"job description", "profession", "profesion", "rubro"}, Role::JobRole);
        add({"notes", "note", "notas", "nota", "observaciones", "comentarios"}, Role::Notes);
        add({"e-mail address", "e-mail 2 address", "e-mail 3 address", "email address",
             "primary email", "secondary email", "email", "e-mail", "correo", "correo electronico",
             "correo electronico 2", "correo electronico 3", "direccion de correo electronico",
             "direccion de correo electronico 2", "direccion de correo electronico 3"},
            Role::Email);
        add({"web page", "web page 1", "web page 2", "web site", "website", "personal web page",
             "pagina web", "sitio web", "web"},
            Role::Website);
        const auto tel = [&](std::initializer_list<const char*> names, const char* type) {
            add(names, Role::Phone, 0, type);
        };
        tel({"business phone", "business phone 2", "work phone", "company main phone",
             "telefono del trabajo", "telefono del trabajo 2", "telefono de la organizacion",
             "telefono trabajo"},
            "WORK");
        tel({"home phone", "home phone 2", "telefono particular", "telefono particular 2",
             "telefono de casa", "telefono fijo"},
            "HOME");
        tel({"primary phone", "phone", "telephone", "telefono", "telefono principal"}, "VOICE");
        tel({"mobile phone", "mobile number", "mobile", "cell phone", "telefono movil", "movil",
             "celular", "telefono celular"},
            "CELL");
        tel({"business fax", "home fax", "other fax", "fax number", "fax", "fax del trabajo",
             "fax particular", "otro fax"},
            "FAX");
        tel({"pager", "pager number", "localizador", "buscapersonas"}, "PAGER");
        tel({"other phone", "car phone", "callback", "assistant's phone", "isdn", "radio phone",
             "telex", "tty/tdd phone", "otro telefono", "telefono del automovil",
             "devolucion de llamada", "telefono del asistente", "radiotelefono"},
            "OTHER");
        // Addresses in parts: the mail programs' home, business and other addresses.
        const auto address = [&](int group, const char* street, const char* city,
                                 const char* region, const char* code, const char* country) {
            add({street}, Role::Street, group);
            add({(std::string(street) + " 2").c_str(), (std::string(street) + " 3").c_str()},
                Role::Street, group);
            add({city}, Role::City, group);
            add({region}, Role::Region, group);
            add({code}, Role::PostalCode, group);
            add({country}, Role::Country, group);
        };
        address(kHome, "home street", "home city", "home state", "home postal code",
                "home country/region");
        address(kWork, "business street", "business city", "business state", "business postal code",
                "business country/region");
        address(kOther, "other street", "other city", "other state", "other postal code",
                "other country/region");
        address(kHome, "home address", "home city", "home state", "home zipcode", "home country");
        address(kWork, "work address", "work city", "work state", "work zipcode", "work country");
        address(kHome, "calle del domicilio", "ciudad de residencia",
                "provincia o estado de residencia", "codigo postal de residencia",
                "pais o region de residencia");
        address(kWork, "calle del trabajo", "ciudad de trabajo", "provincia o estado de trabajo",
                "codigo postal del trabajo", "pais o region del trabajo");
        address(kOther, "calle", "ciudad", "provincia", "codigo postal", "pais");
        add({"home po box"}, Role::PoBox, kHome);
        add({"business po box"}, Role::PoBox, kWork);
        add({"other po box"}, Role::PoBox, kOther);
        add({"address", "direccion", "domicilio", "ubicacion"}, Role::Address, kOther);
        add({"home address formatted"}, Role::Address, kHome);
        add({"business address", "work address formatted"}, Role::Address, kWork);
        // Known, and no slot keeps them.
        add({"nickname",
             "yomi name",
             "given name yomi",
             "additional name yomi",
             "family name yomi",
             "phonetic first name",
             "phonetic middle name",
             "phonetic last name",
             "initials",
             "short name",
             "maiden name",
             "birthday",
             "anniversary",
             "gender",
             "location",
             "billing information",
             "directory server",
             "mileage",
             "occupation",
             "hobby",
             "sensitivity",
             "priority",
             "subject",
             "language",
             "photo",
             "group membership",
             "labels",
             "file as",
             "assistant's name",
             "categories",
             "children",
             "government id number",
             "keywords",
             "manager's name",
             "office location",
             "organizational id number",
             "private",
             "referred by",
             "spouse",
             "user 1",
             "user 2",
             "user 3",
             "user 4",
             "account",
             "internet free busy",
             "e-mail type",
             "e-mail display name",
             "e-mail 2 type",
             "e-mail 2 display name",
             "e-mail 3 type",
             "e-mail 3 display name",
             "screen name",
             "birth year",
             "birth month",
             "birth day",
             "custom 1",
             "custom 2",
             "custom 3",
             "custom 4",
             "apodo",
             "cumpleaños",
             "aniversario",
             "sexo",
             "categorias",
             "idioma",
             "aficiones",
             "iniciales",
             "cuenta"},
            Role::None);
        return t;
    }();
    return table;
}

Column column(Role role, int group) {
    Column c;
    c.role = role;
    c.group = group;
    return c;
}

// The numbered columns of the web-mail pages: "Phone 2 - Value", "Address 1 - City" ...
// Group -1 when the name is not one of them.
Column numberedColumn(const std::string& key) {
    const std::size_t dash = key.find(" - ");
    if (dash == std::string::npos)
        return column(Role::None, -1);
    const std::string head = key.substr(0, dash), part = key.substr(dash + 3);
    const std::size_t blank = head.rfind(' ');
    if (blank == std::string::npos ||
        head.find_first_not_of("0123456789", blank + 1) != std::string::npos ||
        blank + 1 == head.size())
        return column(Role::None, -1);
    const std::string kind = head.substr(0, blank);
    const int group = std::stoi(head.substr(blank + 1));
    const bool type = part == "type" || part == "label";
    if (kind == "phone")
        return column(type ? Role::PhoneType : part == "value" ? Role::Phone : Role::None, group);
    if (kind == "e-mail" || kind == "email")
        return column(part == "value" ? Role::Email : Role::None, group);
    if (kind == "website")
        return column(part == "value" ? Role::Website : Role::None, group);
    if (kind == "custom field")
        return column(type              ? Role::CustomType
                      : part == "value" ? Role::CustomValue
                                        : Role::None,
                      group);
    if (kind == "address") {
        static const std::map<std::string, Role> parts = {
            {"formatted", Role::Address}, {"street", Role::Street},
            {"city", Role::City},         {"po box", Role::PoBox},
            {"region", Role::Region},     {"postal code", Role::PostalCode},
            {"country", Role::Country},   {"extended address", Role::Extended}};
        const auto at = parts.find(part);
        return column(at == parts.end() ? Role::None : at->second, group);
    }
    if (kind == "organization") {
        static const std::map<std::string, Role> parts = {{"name", Role::Organization},
                                                          {"title", Role::JobTitle},
                                                          {"department", Role::Department},
                                                          {"job description", Role::JobRole}};
        const auto at = parts.find(part);
        return column(at == parts.end() ? Role::None : at->second, group);
    }
    if (kind == "relation" || kind == "event" || kind == "im" || kind == "external id")
        return column(Role::None, group);
    return column(Role::None, -1);
}

// The column the name stands for; group -1 when the name is unknown.
Column lookUp(const std::string& name) {
    const std::string key = keyOf(name);
    if (key.empty())
        return column(Role::None, 0);
    const auto& table = dictionary();
    const auto at = table.find(key);
    return at != table.end() ? at->second : numberedColumn(key);
}

bool namesSomeone(Role role) {
    return role == Role::FullName || role == Role::GivenName || role == Role::FamilyName ||
           role == Role::Organization;
}

int pick(bool persons, int personSlot, int companySlot) {
    return persons ? personSlot : companySlot;
}

// The slot a column of a known export would most likely fill, for the user to correct.
int slotGuess(const Column& c, bool persons, int& emailsSeen) {
    switch (c.role) {
    case Role::FullName:
    case Role::GivenName:
    case Role::MiddleName:
    case Role::FamilyName:
        return pick(persons, person::Name, company::Contacts);
    case Role::Organization:
        return persons ? -1 : company::Name;
    case Role::JobRole:
        return persons ? -1 : company::Business;
    case Role::Phone:
        if (c.type == "CELL")
            return pick(persons, person::Mobile, company::Phone);
        if (c.type == "FAX")
            return pick(persons, person::OtherPhone, company::Fax);
        if (c.type == "PAGER" || c.type == "OTHER")
            return pick(persons, person::OtherPhone, company::Phone);
        return pick(persons, person::Phone, company::Phone);
    case Role::Email:
        ++emailsSeen;
        if (!persons)
            return emailsSeen == 1 ? company::Email : -1;
        return emailsSeen == 1 ? person::Email1 : emailsSeen == 2 ? person::Email2 : -1;
    case Role::Website:
        return pick(persons, person::WebSite, company::WebSite);
    case Role::Notes:
        return pick(persons, person::Notes, company::Notes);
    case Role::Address:
    case Role::PoBox:
    case Role::Extended:
    case Role::Street:
    case Role::City:
    case Role::Region:
    case Role::PostalCode:
    case Role::Country:
        return pick(persons, person::Address, company::Address);
    default:
        return -1;
    }
}

// --- rows into records ----------------------------------------------------------------------

// The values of one cell; web-mail pages put several in one, " ::: " between them.
std::vector<std::string_view> valuesOf(std::string_view cell) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t at = cell.find(" ::: ");
        out.push_back(cell.substr(0, at));
        if (at == std::string_view::npos)
            return out;
        cell.remove_prefix(at + 5);
    }
}

// The vCard TYPE of a telephone by the kind a web-mail page wrote beside it.
std::string telType(std::string_view kind) {
    const std::string key = keyOf(std::string(kind));
    const auto has = [&key](const char* word) { return key.find(word) != std::string::npos; };
    if (has("fax"))
        return "FAX";
    if (has("mobile") || has("movil") || has("cell") || has("celular"))
        return "CELL";
    if (has("pager") || has("localizador"))
        return "PAGER";
    if (has("other") || has("otro"))
        return "OTHER";
    return "VOICE";
}

// Where a part of a name goes in the vCard N: family, given, additional, prefix, suffix.
int nameComponent(Role role) {
    switch (role) {
    case Role::FamilyName:
        return 0;
    case Role::GivenName:
        return 1;
    case Role::MiddleName:
        return 2;
    case Role::NamePrefix:
        return 3;
    default:
        return 4;
    }
}

struct AddressParts {
    std::string whole, poBox, extended, street, city, region, code, country;
};

void addProperty(vcard::Card& card, const char* name, std::string value,
                 const std::string& type = {}) {
    vcard::Property p;
    p.name = name;
    if (!type.empty())
        p.params.push_back({"TYPE", type});
    p.value = std::move(value);
    card.properties.push_back(std::move(p));
}

// A cell as a vCard text value; most need no escape at all.
std::string escaped(std::string_view cell) {
    if (cell.find_first_of("\\,;\r\n") == std::string_view::npos)
        return std::string(cell);
    return vcard::escape(cell);
}

// A row of a known export as the card that says the same; the vCard import then files it.
vcard::Card cardOfRow(const std::vector<Column>& columns, const std::vector<std::string>& row) {
    vcard::Card card;
    card.properties.reserve(columns.size() + 4);
    std::string fn, n[5], org, department;
    // The cell of the type column of a group (a numbered entry), empty where it has none.
    const auto typeOf = [&](Role role, int group) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].role == role && columns[i].group == group)
                return std::string_view(row[i]);
        return std::string_view();
    };
    // The addresses in the order their first part stands in the row.
    std::vector<std::pair<int, AddressParts>> addresses;
    const auto addressOf = [&addresses](int group) {
        for (auto& [g, parts] : addresses)
            if (g == group)
                return &parts;
        return &addresses.emplace_back(group, AddressParts()).second;
    };
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        const std::string& cell = row[i];
        if (cell.empty())
            continue;
        const std::string value = escaped(cell);
        AddressParts* address = nullptr;
        if (c.role >= Role::Address && c.role <= Role::Country)
            address = addressOf(c.group);
        switch (c.role) {
        case Role::FullName:
            if (fn.empty())
                fn = value;
            break;
        case Role::FamilyName:
        case Role::GivenName:
        case Role::MiddleName:
        case Role::NamePrefix:
        case Role::NameSuffix:
            appendJoined(n[nameComponent(c.role)], value, " ");
            break;
        case Role::Organization:
            if (org.empty())
                org = value;
            break;
        case Role::Department:
            appendJoined(department, value, ", ");
            break;
        case Role::JobTitle:
            addProperty(card, "TITLE", value);
            break;
        case Role::JobRole:
            addProperty(card, "ROLE", value);
            break;
        case Role::Phone: {
            const auto kinds = valuesOf(typeOf(Role::PhoneType, c.group));
            const auto numbers = valuesOf(cell);
            for (std::size_t k = 0; k < numbers.size(); ++k)
                addProperty(card, "TEL", escaped(numbers[k]),
                            !c.type.empty()    ? c.type
                            : k < kinds.size() ? telType(kinds[k])
                                               : telType(kinds.back()));
            break;
        }
        case Role::Email:
        case Role::Website:
            if (cell.find(" ::: ") == std::string::npos)
                addProperty(card, c.role == Role::Email ? "EMAIL" : "URL", value);
            else
                for (std::string_view one : valuesOf(cell))
                    addProperty(card, c.role == Role::Email ? "EMAIL" : "URL", escaped(one));
            break;
        case Role::Notes:
            addProperty(card, "NOTE", value);
            break;
        case Role::CustomValue:
            if (keyOf(typeOf(Role::CustomType, c.group)) == "contactos")
                addProperty(card, "X-TEVO-CONTACTOS", value);
            break;
        case Role::Address:
            address->whole = value;
            break;
        case Role::PoBox:
            address->poBox = value;
            break;
        case Role::Extended:
            address->extended = value;
            break;
        case Role::Street:
            appendJoined(address->street, value, "\\, ");
            break;
        case Role::City:
            address->city = value;
            break;
        case Role::Region:
            address->region = value;
            break;
        case Role::PostalCode:
            address->code = value;
            break;
        case Role::Country:
            address->country = value;
            break;
        default:
            break;
        }
    }
    if (!fn.empty())
        addProperty(card, "FN", fn);
    if (!(n[0] + n[1] + n[2] + n[3] + n[4]).empty())
        addProperty(card, "N", n[0] + ";" + n[1] + ";" + n[2] + ";" + n[3] + ";" + n[4]);
    if (!org.empty() || !department.empty())
        addProperty(card, "ORG", department.empty() ? org : org + ";" + department);
    for (const auto& [group, a] : addresses) {
        addProperty(card, "ADR",
                    !a.whole.empty() ? ";;" + a.whole + ";;;;"
                                     : a.poBox + ";" + a.extended + ";" + a.street + ";" + a.city +
                                           ";" + a.region + ";" + a.code + ";" + a.country);
    }
    return card;
}

// A row of a table whose columns the user assigned, or of the program's own: each slot the
// texts of its columns, joined.
std::array<std::string, kSlotCount> textsOfRow(const std::vector<int>& slots,
                                               std::vector<std::string>& row, bool persons) {
    std::array<std::string, kSlotCount> texts;
    const int notes = pick(persons, person::Notes, company::Notes);
    for (std::size_t i = 0; i < slots.size() && i < row.size(); ++i) {
        const int slot = slots[i];
        if (slot < 0 || slot >= kSlotCount || row[i].empty())
            continue;
        if (texts[slot].empty())
            texts[slot] = std::move(row[i]);
        else
            appendJoined(texts[slot], row[i], slot == 0 ? " " : slot == notes ? "\r\n" : ", ");
    }
    return texts;
}

bool isEmpty(const Record& record) {
    return std::all_of(record.texts.begin(), record.texts.end(),
                       [](const std::string& t) { return t.empty(); });
}

// --- records into rows ----------------------------------------------------------------------

// A record's text as a field: UTF-8, in quotes where it needs them (see csv::needsQuotes),
// converted straight into the output.
// What each byte asks of a field: kWide, a byte of two or three in UTF-8; kQuote, quotes.
enum : unsigned char { kWide = 1, kQuote = 2 };
constexpr std::array<unsigned char, 256> kFieldByte = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0x80; c < 0x100; ++c)
        t[c] = kWide;
    for (const char c : {',', ';', '"', '\r', '\n'})
        t[static_cast<unsigned char>(c)] = kQuote;
    return t;
}();

void appendField(exportfile::OutputBuffer& out, std::string_view text) {
    if (text.empty())
        return;
    unsigned char needs = 0;
    for (const char c : text)
        needs |= kFieldByte[static_cast<unsigned char>(c)];
    const bool plain = (needs & kWide) == 0;
    const bool quote = (needs & kQuote) != 0 || text.front() == ' ' || text.front() == '\t' ||
                       text.back() == ' ' || text.back() == '\t';
    if (plain && !quote) {
        out.append(text);
        return;
    }
    char* const start = out.room(3 * text.size() + 2); // three bytes a character at the most
    char* p = start;
    if (quote)
        *p++ = '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            *p++ = c;
            if (c == '"')
                *p++ = '"'; // only ever inside quotes
            continue;
        }
        const char32_t u = cp1252ToUnicode(byte);
        if (u < 0x800) {
            *p++ = static_cast<char>(0xC0 | (u >> 6));
        } else {
            *p++ = static_cast<char>(0xE0 | (u >> 12));
            *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        }
        *p++ = static_cast<char>(0x80 | (u & 0x3F));
    }
    if (quote)
        *p++ = '"';
    out.used(p);
}

const std::vector<OutColumn>* webMailColumns(bool persons) {
    return persons ? &kWebMailPersons : &kWebMailCompanies;
}

} // namespace

std::string csvHeader(bool persons, CsvLayout layout) {
    std::string out;
    const auto add = [&out](std::string_view name) {
        if (!out.empty())
            out += ',';
        out += csv::needsQuotes(name) ? csv::quoted(name) : std::string(name);
    };
    if (layout == CsvLayout::Own)
        for (std::string_view name : persons ? kPersonColumns : kCompanyColumns)
            add(name);
    else
        for (const OutColumn& c : *webMailColumns(persons))
            add(c.name);
    return out + "\r\n";
}

std::int64_t writeCsvFile(const fs::path& dataFile, bool persons, CsvLayout layout,
                          const fs::path& out) {
    std::int64_t count = 0;
    fileio::replaceWith(out, [&](fileio::File& file) {
        // Read anew on every call: a folder that refuses the temporary file has the file
        // written again in place.
        exportfile::RecordReader records(dataFile);
        exportfile::OutputBuffer rows(file);
        rows.append("\xEF\xBB\xBF");
        rows.append(csvHeader(persons, layout));
        const std::vector<OutColumn>& columns = *webMailColumns(persons);
        count = 0;
        while (const unsigned char* record = records.next()) {
            if (layout == CsvLayout::Own) {
                for (int slot = 0; slot < kSlotCount; ++slot) {
                    if (slot > 0)
                        rows.append(",");
                    appendField(rows, exportfile::slotText(record, slot));
                }
            } else {
                for (std::size_t i = 0; i < columns.size(); ++i) {
                    if (i > 0)
                        rows.append(",");
                    const std::string_view text = exportfile::slotText(record, columns[i].slot);
                    if (columns[i].type.empty())
                        appendField(rows, text);
                    else if (!text.empty())
                        appendField(rows, columns[i].type);
                }
            }
            rows.endLine();
            rows.writeIfFull();
            ++count;
        }
        rows.flush();
        records.close();
        return rows.written();
    });
    return count;
}

CsvMapping csvMappingFor(const std::vector<std::string>& header, bool persons) {
    CsvMapping mapping;
    // The program's own labels, of the file's kind, in any order.
    const auto& own = persons ? kPersonColumns : kCompanyColumns;
    bool ownOnly = true, anyOwn = false;
    for (const std::string& name : header) {
        const auto at = std::find_if(own.begin(), own.end(), [&](std::string_view label) {
            return keyOf(std::string(label)) == keyOf(name);
        });
        mapping.slotOf.push_back(at == own.end() ? -1 : static_cast<int>(at - own.begin()));
        anyOwn |= at != own.end();
        ownOnly &= at != own.end() || keyOf(name).empty();
    }
    if (ownOnly && anyOwn) {
        mapping.known = true;
        return mapping;
    }
    // A known export: every named column known, and one of them names the contact.
    bool allKnown = true, named = false;
    int emailsSeen = 0;
    std::vector<Column> roles;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const Column c = lookUp(header[i]);
        allKnown &= c.group >= 0;
        named |= namesSomeone(c.role);
        roles.push_back(c);
        if (mapping.slotOf[i] < 0 && c.group >= 0)
            mapping.slotOf[i] = slotGuess(c, persons, emailsSeen);
    }
    if (allKnown && named) {
        mapping.known = true;
        mapping.roles = std::move(roles);
    }
    return mapping;
}

CsvFile readCsvFile(const fs::path& file, bool persons, const CsvMapping& mapping) {
    csv::Reader reader(file);
    return readCsvFile(reader, persons, mapping);
}

CsvFile readCsvFile(csv::Reader& reader, bool persons, const CsvMapping& mapping) {
    CsvFile result;
    std::vector<std::string> row;
    while (reader.next(row)) {
        Record record =
            mapping.roles.empty()
                ? recordFromTexts(textsOfRow(mapping.slotOf, row, persons), persons, result.losses)
                : recordFromCard(cardOfRow(mapping.roles, row), persons, result.losses);
        if (isEmpty(record))
            ++result.emptyRows;
        else
            result.records.push_back(std::move(record));
    }
    result.error = reader.error();
    if (result.error != csv::ReadError::None) {
        result.line = reader.line();
        result.fields = reader.fieldCount();
        result.columns = reader.header().size();
        result.records.clear();
        result.losses = CardLosses();
        result.emptyRows = 0;
    }
    return result;
}

} // namespace core
