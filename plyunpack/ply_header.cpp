#include "plyunpack/ply_header.hpp"

#include <charconv>
#include <climits>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace plyunpack {

std::size_t size_of(Type type)
{
    switch (type) {
    case Type::int8:
    case Type::uint8: return 1;
    case Type::int16:
    case Type::uint16: return 2;
    case Type::int32:
    case Type::uint32:
    case Type::float32: return 4;
    case Type::float64: return 8;
    }
    return 0;
}

bool is_integral(Type type)
{
    return type != Type::float32 && type != Type::float64;
}

namespace {

bool is_word_break(int c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::optional<Type> type_named(std::string_view name)
{
    struct Named {
        std::string_view name;
        Type type;
    };
    static constexpr Named names[] = {
        {"char", Type::int8},     {"int8", Type::int8},       {"uchar", Type::uint8},   {"uint8", Type::uint8},
        {"short", Type::int16},   {"int16", Type::int16},     {"ushort", Type::uint16}, {"uint16", Type::uint16},
        {"int", Type::int32},     {"int32", Type::int32},     {"uint", Type::uint32},   {"uint32", Type::uint32},
        {"float", Type::float32}, {"float32", Type::float32}, {"double", Type::float64}, {"float64", Type::float64},
    };
    for (const auto& n : names)
        if (n.name == name)
            return n.type;
    return std::nullopt;
}

// A count written as plain decimal digits.
std::optional<std::uint64_t> count_in(const std::string& word)
{
    if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

std::string at_line(const std::string& what, long long number)
{
    return what + " a la ligne " + std::to_string(number) + " de l'en-tete";
}

// Follows the header line by line against the classic layout.
class ClassicLayout {
public:
    void see(const HeaderLine& line)
    {
        const std::size_t index = lines_++;
        if (index >= expected_.size()) {
            matches_ = false;
            return;
        }
        // Every line but the vertex count is taken by one read of at most 999
        // characters: a longer one would shift the lines that follow.
        if (index == 2)
            matches_ = matches_ && !line.leading_blank && line.words.size() == 3 && !line.more_words &&
                       line.words[0] == "element" && line.words[1] == "vertex" && fits_int(line.words[2]);
        else
            matches_ = matches_ && line.length <= 999 && !line.more_words && line.words == expected_[index];
    }
    bool matches() const { return matches_ && lines_ == expected_.size(); }

private:
    static bool fits_int(const std::string& word)
    {
        const auto count = count_in(word);
        return count && *count <= static_cast<std::uint64_t>(INT_MAX);
    }
    using Words = std::vector<std::string>;
    const std::array<Words, 13> expected_{{
        {"ply"},
        {"format", "ascii", "1.0"},
        {},
        {"property", "float", "x"},
        {"property", "float", "y"},
        {"property", "float", "z"},
        {"property", "float", "nx"},
        {"property", "float", "ny"},
        {"property", "float", "nz"},
        {"property", "uchar", "red"},
        {"property", "uchar", "green"},
        {"property", "uchar", "blue"},
        {"end_header"},
    }};
    std::size_t lines_ = 0;
    bool matches_ = true;
};

std::optional<std::size_t> scalar_named(const Element& element, std::string_view name)
{
    for (std::size_t i = 0; i < element.properties.size(); ++i)
        if (element.properties[i].name == name && !element.properties[i].is_list)
            return i;
    return std::nullopt;
}

// Finds the coordinates and the colour among the vertex properties.
std::optional<HeaderError> find_fields(PlyHeader& header)
{
    const Element& vertex = header.vertices();
    const char* coordinates[] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        const auto at = scalar_named(vertex, coordinates[i]);
        if (!at)
            return HeaderError{std::string("l'element vertex n'a pas de propriete ") + coordinates[i], true};
        header.fields[field_x + i] = *at;
    }
    const char* colour_sets[3][3] = {
        {"red", "green", "blue"}, {"r", "g", "b"}, {"diffuse_red", "diffuse_green", "diffuse_blue"}};
    for (const auto& set : colour_sets) {
        const auto r = scalar_named(vertex, set[0]);
        const auto g = scalar_named(vertex, set[1]);
        const auto b = scalar_named(vertex, set[2]);
        if (r && g && b) {
            header.fields[field_red] = *r;
            header.fields[field_green] = *g;
            header.fields[field_blue] = *b;
            return std::nullopt;
        }
    }
    return HeaderError{"l'element vertex n'a pas de couleur (red green blue, r g b ou diffuse_red diffuse_green "
                       "diffuse_blue)",
                       true};
}

} // namespace

int HeaderInput::get()
{
    if (pending_ >= 0)
        return std::exchange(pending_, -1);
    char c = 0;
    return in_.read_bytes(std::span<char>(&c, 1)) == 1 ? static_cast<unsigned char>(c) : -1;
}

std::string HeaderInput::left_over() const
{
    return pending_ >= 0 ? std::string(1, static_cast<char>(pending_)) : std::string();
}

bool read_header_line(HeaderInput& in, HeaderLine& line)
{
    line.words.clear();
    line.more_words = false;
    line.length = 0;
    line.leading_blank = false;
    line.ended = false;
    line.bare_cr = false;
    bool in_word = false;
    for (int c = in.get(); c != -1; c = in.get()) {
        if (line.length++ == 0)
            line.leading_blank = is_word_break(c);
        if (c == '\n') {
            line.ended = true;
            break;
        }
        if (c == '\r') { // CR LF, or a bare CR whose next byte starts the next line
            const int next = in.get();
            if (next == '\n')
                ++line.length;
            else if (next != -1)
                in.put_back(next);
            line.bare_cr = next != '\n';
            line.ended = true;
            break;
        }
        if (is_word_break(c)) {
            in_word = false;
            continue;
        }
        if (!in_word) {
            in_word = true;
            if (line.words.size() == HeaderLine::max_words) {
                line.more_words = true;
                continue;
            }
            line.words.emplace_back();
        }
        if (line.more_words)
            continue;
        std::string& word = line.words.back();
        if (word.size() < HeaderLine::max_word_chars)
            word.push_back(static_cast<char>(c));
        else if (word.size() == HeaderLine::max_word_chars)
            word.push_back('\n');
    }
    return line.length > 0;
}

HeaderResult read_header(pipeline::Reader& stream)
{
    PlyHeader header;
    ClassicLayout classic;
    HeaderInput in(stream);
    HeaderLine line;
    if (!read_header_line(in, line) || line.words != std::vector<std::string>{"ply"})
        return HeaderError{"ce n'est pas un fichier PLY (la premiere ligne n'est pas ply)"};
    classic.see(line);
    // The classic vertex lines are read up to LF: a bare CR is no line end there.
    bool bare_cr = line.bare_cr;

    bool has_format = false;
    bool ended = false;
    for (long long number = 2; !ended; ++number) {
        const bool read = read_header_line(in, line);
        const auto& w = line.words;
        const std::size_t n = line.more_words ? HeaderLine::max_words + 1 : w.size();
        const bool last = n == 1 && w[0] == "end_header";
        // A file cut short inside its header: no line, or a line without its end.
        if (!read || (!line.ended && !last))
            return HeaderError{"l'en-tete ne se termine pas (pas de ligne end_header)"};
        classic.see(line);
        bare_cr = bare_cr || line.bare_cr;
        if (w.empty() || w[0] == "comment" || w[0] == "obj_info")
            continue;
        if (last) {
            ended = true;
        } else if (w[0] == "format" && n == 3) {
            if (has_format)
                return HeaderError{at_line("seconde ligne format", number)};
            has_format = true;
            if (w[1] == "ascii")
                header.format = Format::ascii;
            else if (w[1] == "binary_little_endian")
                header.format = Format::binary_little_endian;
            else if (w[1] == "binary_big_endian")
                header.format = Format::binary_big_endian;
            else
                return HeaderError{"format inconnu (ascii, binary_little_endian ou binary_big_endian attendu)"};
            if (w[2] != "1.0")
                return HeaderError{"version de format inconnue (1.0 attendu)"};
        } else if (w[0] == "element" && n == 3) {
            const auto count = count_in(w[2]);
            if (!count)
                return HeaderError{at_line("nombre d'elements illisible", number)};
            header.elements.push_back(Element{w[1], *count, {}});
        } else if (w[0] == "property" && (n == 3 || (n == 5 && w[1] == "list"))) {
            if (header.elements.empty())
                return HeaderError{at_line("propriete hors de tout element", number)};
            Property property;
            property.name = w[n - 1];
            property.is_list = n == 5;
            const auto type = type_named(w[n - 2]);
            const auto count_type = property.is_list ? type_named(w[2]) : std::optional<Type>(Type::uint8);
            if (!type || !count_type)
                return HeaderError{at_line("type de propriete " + w[type ? 2 : n - 2] + " inconnu", number)};
            if (!is_integral(*count_type))
                return HeaderError{
                    at_line("nombre d'elements de liste de type " + w[2] + ", qui n'est pas entier", number)};
            property.type = *type;
            property.count_type = *count_type;
            header.elements.back().properties.push_back(std::move(property));
        } else {
            return HeaderError{at_line("ligne non reconnue", number)};
        }
    }

    if (!has_format)
        return HeaderError{"l'en-tete n'a pas de ligne format"};
    std::size_t vertex = 0;
    while (vertex < header.elements.size() && header.elements[vertex].name != "vertex")
        ++vertex;
    if (vertex == header.elements.size())
        return HeaderError{"l'en-tete ne declare pas d'element vertex", true};
    header.vertex_element = vertex;
    if (header.vertices().count > static_cast<std::uint64_t>(INT_MAX))
        return HeaderError{"trop de sommets declares", true};
    if (auto missing = find_fields(header))
        return *missing;
    header.classic = classic.matches() && !bare_cr;
    header.data_start = in.left_over();
    return header;
}

} // namespace plyunpack
