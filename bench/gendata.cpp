#include "gendata.h"

#include "core/cp1252.h"
#include "core/fileio.h"
#include "core/rewrite.h"

#include <algorithm>
#include <array>
#include <random>

namespace bench {

namespace {

const std::vector<std::string> kFirstNames = {
    "José",      "María",   "Juan",     "Ana",      "Luis",    "Carmen", "Carlos",    "Rosa",
    "Jorge",     "Isabel",  "Pedro",    "Teresa",   "Manuel",  "Lucía",  "Francisco", "Pilar",
    "Antonio",   "Elena",   "Miguel",   "Verónica", "Andrés",  "Mónica", "Raúl",      "Sofía",
    "Íñigo",     "Begoña",  "Ramón",    "Inés",     "Tomás",   "Ángela", "Óscar",     "Natalia",
    "Sebastián", "Claudia", "Joaquín",  "Paula",    "Nicolás", "Marta",  "Germán",    "Beatriz",
    "Rubén",     "Leonor",  "Fernando", "Alicia",   "Gonzalo", "Noemí",  "Héctor",    "Yolanda",
    "Esteban",   "Ximena",  "Álvaro",   "Zoe",      "Emilio",  "Úrsula"};

const std::vector<std::string> kSurnames = {
    "García",   "Rodríguez", "González",   "Fernández", "López",   "Martínez",  "Sánchez",
    "Pérez",    "Gómez",     "Martín",     "Jiménez",   "Ruiz",    "Hernández", "Díaz",
    "Moreno",   "Muñoz",     "Álvarez",    "Romero",    "Alonso",  "Gutiérrez", "Navarro",
    "Torres",   "Domínguez", "Vázquez",    "Ramos",     "Gil",     "Ramírez",   "Serrano",
    "Blanco",   "Molina",    "Morales",    "Suárez",    "Ortega",  "Delgado",   "Castro",
    "Ortiz",    "Rubio",     "Marín",      "Sanz",      "Núñez",   "Iglesias",  "Medina",
    "Garrido",  "Cortés",    "Castillo",   "Santos",    "Lozano",  "Guerrero",  "Cano",
    "Prieto",   "Méndez",    "Cruz",       "Calvo",     "Gallego", "Vidal",     "León",
    "Herrera",  "Peña",      "Flores",     "Cabrera",   "Campos",  "Vega",      "Fuentes",
    "Carrasco", "Díez",      "Caballero",  "Reyes",     "Nieto",   "Aguilar",   "Pascual",
    "Zamora",   "Ibáñez",    "Echeverría", "Urrutia",   "Zúñiga",  "Araya",     "Valenzuela"};

const std::vector<std::string> kNicknames = {"Pepe",  "Lucho", "Nacho", "Pancho", "Maruja",
                                             "Chema", "Paco",  "Toño",  "Quique", "Lola"};

const std::vector<std::string> kStreets = {"Av. Libertador Bernardo O'Higgins",
                                           "Calle Mayor",
                                           "Paseo de la Castellana",
                                           "Av. de los Andes",
                                           "Calle Alcalá",
                                           "Pasaje Los Aromos",
                                           "Av. Providencia",
                                           "Calle San Martín",
                                           "Camino Real",
                                           "Av. Costanera Sur",
                                           "Calle Príncipe de Vergara",
                                           "Plaza de España",
                                           "Calle Nueva",
                                           "Av. Irarrázaval",
                                           "Callejón del Ñandú"};

const std::vector<std::string> kCities = {
    "Santiago", "Madrid",  "Valparaíso", "Sevilla",   "Concepción", "Bogotá",
    "Lima",     "Córdoba", "Málaga",     "Quito",     "Mérida",     "Cádiz",
    "Temuco",   "León",    "Asunción",   "Salamanca", "Zaragoza",   "Antofagasta"};

const std::vector<std::string> kDomains = {"correo.example", "mail.example", "tevo.example",
                                           "red.example",    "casa.example", "oficina.example"};

const std::vector<std::string> kNotes = {"Cumpleaños en marzo.",
                                         "Llamar después de las 18:00.",
                                         "Prefiere correo electrónico.",
                                         "Conocido de la universidad.",
                                         "Vecino del tercer piso.",
                                         "Atención: cambió de número.",
                                         "Compañero de trabajo; extensión 214.",
                                         "Pedir presupuesto antes de fin de mes."};

const std::vector<std::string> kCompanyWords = {
    "Comercial",   "Distribuidora", "Constructora", "Ferretería", "Imprenta",
    "Transportes", "Inversiones",   "Servicios",    "Panadería",  "Librería",
    "Farmacia",    "Óptica",        "Talleres",     "Agrícola",   "Pesquera",
    "Exportadora", "Consultora",    "Clínica",      "Editorial",  "Muebles"};

const std::vector<std::string> kCompanyNames = {
    "Andes",        "del Sur",     "Pacífico",   "La Estrella",  "El Roble",
    "San José",     "Santa Lucía", "Los Álamos", "Cordillera",   "Atlántico",
    "Mediterráneo", "El Faro",     "La Unión",   "Nueva Era",    "Araucanía",
    "Iberia",       "Castilla",    "La Peña",    "Montaña Azul", "Río Claro"};

const std::vector<std::string> kCompanySuffixes = {"Ltda.", "S.A.", "S.L.", "y Cía.", "SpA", ""};

const std::vector<std::string> kBusinesses = {"Venta de materiales de construcción",
                                              "Imprenta y diseño gráfico",
                                              "Transporte de carga",
                                              "Asesoría contable y tributaria",
                                              "Distribución de alimentos",
                                              "Reparación de maquinaria agrícola",
                                              "Artículos de oficina",
                                              "Servicios informáticos",
                                              "Productos farmacéuticos",
                                              "Muebles a medida"};

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    const std::string& pick(const std::vector<std::string>& list) {
        return list[below(list.size())];
    }
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }
    bool chance(int percent) { return static_cast<int>(below(100)) < percent; }
    std::string digits(int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>('0' + below(10));
        return s;
    }
    std::string landline() { return "(0" + digits(1) + ") " + digits(4) + " " + digits(4); }
    std::string mobile() { return "+56 9 " + digits(4) + " " + digits(4); }
    std::string address() {
        std::string a = pick(kStreets) + " " + std::to_string(1 + below(3999));
        if (chance(30))
            a += ", Depto. " + std::to_string(1 + below(40)) + static_cast<char>('A' + below(6));
        return a + ", " + pick(kCities);
    }

  private:
    std::mt19937 rng_;
};

// Plain small letters for e-mail addresses and web names: accents dropped, blanks to dots.
std::string mailPart(const std::string& cp1252) {
    static const std::string from = "\xE1\xE9\xED\xF3\xFA\xFC\xF1\xC1\xC9\xCD\xD3\xDA\xDC\xD1";
    static const std::string to = "aeiouunAEIOUUN";
    std::string out;
    for (char c : cp1252) {
        const std::size_t accent = from.find(c);
        if (accent != std::string::npos)
            c = to[accent];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += c;
        else if ((c == ' ' || c == '.') && !out.empty() && out.back() != '.')
            out += '.';
    }
    while (!out.empty() && out.back() == '.')
        out.pop_back();
    return out;
}

void sortByName(std::vector<core::Record>& records) {
    std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return core::nameLess(a.texts[0], b.texts[0]);
    });
}

} // namespace

std::string toCp1252(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        const int byte = core::unicodeToCp1252(cp);
        out += static_cast<char>(byte < 0 ? '?' : byte);
    }
    return out;
}

std::vector<core::Record> makePersons(std::size_t count, std::uint32_t seed) {
    Generator g(seed);
    std::vector<core::Record> records(count);
    for (core::Record& r : records) {
        namespace p = core::person;
        const std::string first = toCp1252(g.pick(kFirstNames));
        const std::string surname = toCp1252(g.pick(kSurnames));
        const std::string second = toCp1252(g.pick(kSurnames));
        std::string name = first + " " + surname + " " + second;
        if (g.chance(10))
            name += " (" + toCp1252(g.pick(kNicknames)) + ")";
        // The entry dialog stores the first four fields in capitals.
        r.texts[p::Name] = core::upperCp1252(name);
        r.texts[p::Phone] = g.chance(70) ? g.landline() : "";
        r.texts[p::Mobile] = g.chance(85) ? g.mobile() : "";
        r.texts[p::OtherPhone] = g.chance(15) ? g.landline() : "";
        r.texts[p::Address] = toCp1252(g.address());
        const std::string user = mailPart(first) + "." + mailPart(surname);
        r.texts[p::Email1] = g.chance(80) ? user + "@" + g.pick(kDomains) : "";
        r.texts[p::Email2] =
            g.chance(20) ? mailPart(first) + g.digits(2) + "@" + g.pick(kDomains) : "";
        r.texts[p::WebSite] = g.chance(10) ? "http://www." + user + ".example/" : "";
        r.texts[p::Notes] = g.chance(35) ? toCp1252(g.pick(kNotes)) : "";
        r.tag = core::kTagPerson;
    }
    sortByName(records);
    return records;
}

std::vector<core::Record> makeCompanies(std::size_t count, std::uint32_t seed) {
    Generator g(seed);
    std::vector<core::Record> records(count);
    for (core::Record& r : records) {
        namespace c = core::company;
        std::string name = g.pick(kCompanyWords) + " " + g.pick(kCompanyNames);
        const std::string& suffix = g.pick(kCompanySuffixes);
        if (!suffix.empty())
            name += " " + suffix;
        const std::string web = mailPart(toCp1252(name));
        r.texts[c::Name] = core::upperCp1252(toCp1252(name));
        r.texts[c::Business] = core::upperCp1252(toCp1252(g.pick(kBusinesses)));
        r.texts[c::Phone] = g.landline();
        r.texts[c::Fax] = g.chance(40) ? g.landline() : "";
        r.texts[c::WebSite] = g.chance(60) ? "http://www." + web + ".example/" : "";
        r.texts[c::Email] = g.chance(75) ? "contacto@" + web + ".example" : "";
        r.texts[c::Contacts] =
            toCp1252(g.pick(kFirstNames) + " " + g.pick(kSurnames) +
                     (g.chance(40) ? ", " + g.pick(kFirstNames) + " " + g.pick(kSurnames) : ""));
        r.texts[c::Address] = toCp1252(g.address());
        r.texts[c::Notes] = g.chance(25) ? toCp1252(g.pick(kNotes)) : "";
        r.tag = core::kTagCompany;
    }
    sortByName(records);
    return records;
}

void writeDataFile(const std::filesystem::path& file, const std::vector<core::Record>& records) {
    constexpr std::size_t kBlock = 641;
    core::fileio::File out = core::fileio::createTruncate(file);
    std::vector<unsigned char> buffer;
    buffer.reserve(kBlock * core::kRecordSize);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const core::RecordBytes bytes = core::encodeRecord(records[i]);
        buffer.insert(buffer.end(), bytes.begin(), bytes.end());
        if (buffer.size() == kBlock * core::kRecordSize || i + 1 == records.size()) {
            out.write(buffer.data(), buffer.size());
            buffer.clear();
        }
    }
    out.close();
}

} // namespace bench
