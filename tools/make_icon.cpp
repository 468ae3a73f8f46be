// make_icon: draws the tintlist application icon and writes it as a Windows
// .ico file with nine images: 48, 32 and 16 pixels square, each in 16 colours,
// 256 colours and 32-bit colour with alpha.
//
// usage: make_icon OUTPUT.ico
//
// The design is a palette card: four colour swatches in a frame, with a soft
// shadow in the 32-bit images.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct rgba {
    std::uint8_t r, g, b, a;
};

enum class part { clear, shadow, frame, gap, swatch };

struct pixel {
    part what;
    int swatch;   // 0..3 for part::swatch
    double shade; // 0 at the top of a swatch, 1 at its bottom
};

constexpr std::array<rgba, 4> swatch_colours{{
    {224, 40, 40, 255},  // red
    {240, 200, 32, 255}, // yellow
    {40, 176, 72, 255},  // green
    {40, 88, 216, 255},  // blue
}};
constexpr rgba frame_colour{40, 40, 48, 255};
constexpr rgba gap_colour{248, 248, 244, 255};

// What lies at (x, y) of an icon `size` pixels square, y counting down.
pixel draw(int x, int y, int size) {
    const int offset = std::max(1, size / 24); // shadow
    const int card = size - offset;            // the card's width and height
    const int line = std::max(1, size / 16);   // frame and gap width
    const int corner = std::max(1, size / 10); // corners cut off diagonally

    auto on_card = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= card || py >= card) return false;
        const int dx = std::min(px, card - 1 - px), dy = std::min(py, card - 1 - py);
        return dx + dy >= corner;
    };
    if (!on_card(x, y)) return {on_card(x - offset, y - offset) ? part::shadow : part::clear, 0, 0};

    const int inner = card - 2 * line;
    const int ix = x - line, iy = y - line;
    if (ix < 0 || iy < 0 || ix >= inner || iy >= inner) return {part::frame, 0, 0};

    // Two swatches a row, each (inner - 3 gaps) / 2 wide.
    const int cell = (inner - 3 * line) / 2;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const int left = line + column * (cell + line), top = line + row * (cell + line);
            if (ix >= left && ix < left + cell && iy >= top && iy < top + cell)
                return {part::swatch, row * 2 + column, double(iy - top) / std::max(1, cell - 1)};
        }
    }
    return {part::gap, 0, 0};
}

// A swatch gets lighter to the top and darker to the bottom.
rgba shaded(rgba colour, double shade) {
    const double factor = 1.2 - 0.45 * shade;
    auto scale = [&](std::uint8_t c) {
        return static_cast<std::uint8_t>(std::clamp(c * factor, 0.0, 255.0));
    };
    return {scale(colour.r), scale(colour.g), scale(colour.b), 255};
}

// The standard 16-colour palette.
const std::vector<rgba> palette16 = {
    {0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
};

// 256 colours: black, the frame and gap colours, then 60 shades per swatch.
constexpr int shades = 60;
std::vector<rgba> make_palette256() {
    std::vector<rgba> colours(256, rgba{0, 0, 0, 0});
    colours[1] = frame_colour;
    colours[2] = gap_colour;
    for (int s = 0; s < 4; ++s) {
        for (int level = 0; level < shades; ++level)
            colours[16 + s * shades + level] =
                shaded(swatch_colours[s], level / double(shades - 1));
    }
    for (auto& c : colours) c.a = 0;
    return colours;
}

int index16(const pixel& p) {
    constexpr std::array<int, 4> swatch_index{9, 11, 10, 12};
    switch (p.what) {
    case part::frame:
        return 0;
    case part::gap:
        return 15;
    case part::swatch:
        return swatch_index[p.swatch];
    default:
        return 0;
    }
}

int index256(const pixel& p) {
    switch (p.what) {
    case part::frame:
        return 1;
    case part::gap:
        return 2;
    case part::swatch:
        return 16 + p.swatch * shades + int(p.shade * (shades - 1) + 0.5);
    default:
        return 0;
    }
}

rgba colour32(const pixel& p) {
    switch (p.what) {
    case part::shadow:
        return {0, 0, 0, 80};
    case part::frame:
        return frame_colour;
    case part::gap:
        return gap_colour;
    case part::swatch:
        return shaded(swatch_colours[p.swatch], p.shade);
    default:
        return {0, 0, 0, 0};
    }
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(v & 0xff);
    out.push_back(v >> 8 & 0xff);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// One icon image: a bitmap header of double height, the palette, the colour
// rows and the transparency mask, both bottom row first.
std::vector<std::uint8_t> make_image(int size, int bits) {
    const std::vector<rgba> palette = bits == 4   ? palette16
                                      : bits == 8 ? make_palette256()
                                                  : std::vector<rgba>{};
    const int row_bytes = (size * bits + 31) / 32 * 4;
    const int mask_bytes = (size + 31) / 32 * 4;

    std::vector<std::uint8_t> image;
    put32(image, 40);
    put32(image, size);
    put32(image, 2 * size);
    put16(image, 1);
    put16(image, bits);
    put32(image, 0);
    put32(image, (row_bytes + mask_bytes) * size);
    put32(image, 0);
    put32(image, 0);
    put32(image, 0);
    put32(image, 0);
    for (const rgba& c : palette) image.insert(image.end(), {c.b, c.g, c.r, 0});

    std::vector<std::uint8_t> mask;
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(row_bytes, 0), mask_row(mask_bytes, 0);
        for (int x = 0; x < size; ++x) {
            const pixel p = draw(x, y, size);
            const bool opaque = p.what != part::clear && (bits == 32 || p.what != part::shadow);
            if (!opaque) mask_row[x / 8] |= 0x80 >> (x % 8);
            if (bits == 4) {
                row[x / 2] |= (opaque ? index16(p) : 0) << (x % 2 == 0 ? 4 : 0);
            } else if (bits == 8) {
                row[x] = opaque ? index256(p) : 0;
            } else {
                const rgba c = colour32(p);
                row[4 * x] = c.b;
                row[4 * x + 1] = c.g;
                row[4 * x + 2] = c.r;
                row[4 * x + 3] = c.a;
            }
        }
        image.insert(image.end(), row.begin(), row.end());
        mask.insert(mask.end(), mask_row.begin(), mask_row.end());
    }
    image.insert(image.end(), mask.begin(), mask.end());
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    struct entry {
        int size, bits;
        std::vector<std::uint8_t> data;
    };
    std::vector<entry> images;
    for (int bits : {4, 8, 32}) {
        for (int size : {48, 32, 16}) images.push_back({size, bits, make_image(size, bits)});
    }

    std::vector<std::uint8_t> file;
    put16(file, 0);
    put16(file, 1); // an icon
    put16(file, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const entry& e : images) {
        file.push_back(static_cast<std::uint8_t>(e.size));
        file.push_back(static_cast<std::uint8_t>(e.size));
        file.push_back(e.bits == 4 ? 16 : 0); // colours in the palette, 0 for 256 or more
        file.push_back(0);
        put16(file, 1);
        put16(file, e.bits);
        put32(file, static_cast<std::uint32_t>(e.data.size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(e.data.size());
    }
    for (const entry& e : images) file.insert(file.end(), e.data.begin(), e.data.end());

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
