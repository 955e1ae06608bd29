// corvalume-sandbox render: the shader's output channel on spheres, seen
// straight on under directional lights, sampled pixel by pixel through the
// module's evaluate as the host would call it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(CORVALUME_PNG)
#include <png.h>
#endif

#include "host/shader.h"
#include "sandbox/host.h"
#include "sandbox/sample.h"
#include "shader/instance.h"
#include "tools/cli.h"
#include "tools/font.h"

namespace cli {
namespace {

constexpr const char *render_usage = R"(usage: corvalume-sandbox render MODULE -o FILE.png [OPTIONS]

Renders the shader's output channel on a sphere seen straight on, each pixel
one call of the module's evaluate.  The term is signed: orange where it adds,
blue where it takes away, grey at zero, with a colour bar for the scale.

  -o FILE.png        where to write the image (required)
  --roughness P      roughness in percent, as the panel shows it (default 30)
  --sheen P          sheen in percent (default 58)
  --light X,Y,Z      a directional light toward X,Y,Z (repeatable; default
                     one key light at -1,1,2); +z points at the viewer
  --size N           the sphere's size in pixels (default 512; 160 per
                     sphere with --sheet)
  --composite        add the term to plain diffuse shading instead, to see
                     the material
  --sheet            a grid of spheres: roughness 10 to 100 % across,
                     sheen 25 to 100 % down, each labelled
)";

struct Rgb {
    std::uint8_t r, g, b;
};

const Rgb background{40, 40, 44};
const Rgb neutral{236, 236, 236};
const Rgb positive{230, 97, 1};
const Rgb negative{33, 102, 172};
const Rgb ink{230, 230, 230};

Rgb mix(Rgb a, Rgb b, double t) {
    auto channel = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * std::clamp(t, 0.0, 1.0)));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// The diverging map: grey at zero, toward orange or blue at +-range.
Rgb diverging(double v, double range) {
    return v >= 0 ? mix(neutral, positive, v / range) : mix(neutral, negative, -v / range);
}

struct Image {
    Image(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w * h), background) {}

    void put(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            rgb[static_cast<std::size_t>(y * width + x)] = c;
    }

    void text(int x, int y, const std::string &s, int scale, Rgb c) {
        for (char ch : s) {
            if (const std::uint8_t *g = font::glyph(ch))
                for (int row = 0; row < font::height; ++row)
                    for (int col = 0; col < font::width; ++col)
                        if (g[row] >> (font::width - 1 - col) & 1)
                            for (int dy = 0; dy < scale; ++dy)
                                for (int dx = 0; dx < scale; ++dx)
                                    put(x + col * scale + dx, y + row * scale + dy, c);
            x += (font::width + 1) * scale;
        }
    }

    static int text_width(const std::string &s, int scale) {
        return static_cast<int>(s.size()) * (font::width + 1) * scale;
    }

    int width, height;
    std::vector<Rgb> rgb;
};

struct Options {
    std::string module;
    std::string out;
    double roughness = 30;
    double sheen = 58;
    int size = 0;
    bool composite = false;
    bool sheet = false;
    std::vector<sandbox::Light> lights;
};

bool parse_vector(const std::string &s, double *v) {
    char *end = nullptr;
    const char *p = s.c_str();
    for (int i = 0; i < 3; ++i) {
        v[i] = std::strtod(p, &end);
        if (end == p || (i < 2 && *end != ',') || !std::isfinite(v[i]))
            return false;
        p = end + (i < 2);
    }
    return *end == '\0';
}

bool parse_number(const std::string &s, double *v) {
    char *end = nullptr;
    *v = std::strtod(s.c_str(), &end);
    return end != s.c_str() && *end == '\0' && std::isfinite(*v);
}

// One sphere: the term at every pixel, NaN off the sphere; and beside it
// plain diffuse shading, averaged over the lights.
struct Sphere {
    std::vector<double> term;
    std::vector<double> diffuse;
};

Sphere shade(const ShaderOperations &ops, Instance instance, const sandbox::Host &host, int size) {
    Sphere s;
    s.term.assign(static_cast<std::size_t>(size * size), NAN);
    s.diffuse.assign(s.term.size(), NAN);
    sandbox::Sample sample;
    ShadingRecord &r = sample.record();
    r.ray_vector[0] = 0;
    r.ray_vector[1] = 0;
    r.ray_vector[2] = -1;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = (x + 0.5) / size * 2 - 1;
            const double py = 1 - (y + 0.5) / size * 2;
            const double rr = px * px + py * py;
            if (rr >= 1)
                continue;
            const double n[3] = {px, py, std::sqrt(1 - rr)};
            for (int i = 0; i < 3; ++i)
                r.normal[i] = r.sample_position[i] = n[i];
            r.output_channel = 0;
            sample.evaluate(ops, instance);
            double lit = 0;
            for (const sandbox::Light &l : host.lights) {
                const double *d = l.direction;
                const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                lit += std::max(0.0, (n[0] * d[0] + n[1] * d[1] + n[2] * d[2]) / len);
            }
            const auto at = static_cast<std::size_t>(y * size + x);
            s.term[at] = r.output_channel;
            s.diffuse[at] = lit / static_cast<double>(host.lights.size());
        }
    }
    return s;
}

void paint(Image &image, const Sphere &s, int x0, int y0, int size, double range, bool composite) {
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const auto at = static_cast<std::size_t>(y * size + x);
            if (std::isnan(s.term[at]))
                continue;
            if (composite) {
                const double v = std::clamp(0.05 + 0.55 * s.diffuse[at] + s.term[at], 0.0, 1.0);
                const auto g = static_cast<std::uint8_t>(std::lround(255 * std::pow(v, 1 / 2.2)));
                image.put(x0 + x, y0 + y, {g, g, g});
            } else {
                image.put(x0 + x, y0 + y, diverging(s.term[at], range));
            }
        }
    }
}

std::string fixed(double v, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.*f", decimals, v);
    return text;
}

// A vertical bar from +range at the top to -range at the bottom.
void colour_bar(Image &image, int x0, int y0, int height, double range) {
    const int width = 20;
    for (int y = 0; y < height; ++y) {
        const double v = range * (1 - 2.0 * y / (height - 1));
        for (int x = 0; x < width; ++x)
            image.put(x0 + x, y0 + y, diverging(v, range));
    }
    const int decimals = range >= 1 ? 2 : 3;
    image.text(x0 + width + 6, y0, fixed(range, decimals), 2, ink);
    image.text(x0 + width + 6, y0 + height / 2 - font::height, "0", 2, ink);
    image.text(x0 + width + 6, y0 + height - 2 * font::height, fixed(-range, decimals), 2, ink);
}

double extent(const std::vector<Sphere> &spheres) {
    double m = 0;
    for (const Sphere &s : spheres)
        for (double v : s.term)
            if (std::isfinite(v))
                m = std::max(m, std::fabs(v));
    return m > 0 ? m : 1;
}

bool write_png(const Image &image, const std::string &path) {
#if defined(CORVALUME_PNG)
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                     static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y)
            png_write_row(png, reinterpret_cast<png_const_bytep>(
                                   &image.rgb[static_cast<std::size_t>(y * image.width)]));
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
#else
    (void)image;
    (void)path;
    std::fprintf(stderr, "corvalume-sandbox: this build writes no PNG files\n");
    return false;
#endif
}

static_assert(sizeof(Rgb) == 3, "rows are written as packed RGB");

} // namespace

int render(const Args &args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string value;
        double number = 0;
        if (args[i] == "--help") {
            std::fputs(render_usage, stdout);
            return exit_ok;
        } else if (args[i] == "--composite") {
            o.composite = true;
        } else if (args[i] == "--sheet") {
            o.sheet = true;
        } else if (option(args, i, "-o", &value)) {
            o.out = value;
        } else if (option(args, i, "--light", &value)) {
            sandbox::Light l;
            if (!parse_vector(value, l.direction)) {
                std::fprintf(stderr, "corvalume-sandbox: --light wants X,Y,Z, not '%s'\n",
                             value.c_str());
                return exit_usage;
            }
            o.lights.push_back(l);
        } else if (option(args, i, "--roughness", &value) || option(args, i, "--sheen", &value) ||
                   option(args, i, "--size", &value)) {
            const std::string name = args[i - 1];
            if (!parse_number(value, &number) ||
                (name == "--size" && (number < 16 || number > 8192))) {
                std::fprintf(stderr, "corvalume-sandbox: bad value '%s' for %s\n", value.c_str(),
                             name.c_str());
                return exit_usage;
            }
            (name == "--roughness" ? o.roughness : name == "--sheen" ? o.sheen : number) = number;
            if (name == "--size")
                o.size = static_cast<int>(number);
        } else if (args[i].starts_with("-") || !o.module.empty()) {
            std::fprintf(stderr, "corvalume-sandbox: render: unexpected '%s'\n\n%s",
                         args[i].c_str(), render_usage);
            return exit_usage;
        } else {
            o.module = args[i];
        }
    }
    if (o.module.empty() || o.out.empty()) {
        std::fputs(render_usage, stderr);
        return exit_usage;
    }
    if (o.lights.empty()) {
        sandbox::Light key;
        key.direction[0] = -1;
        key.direction[1] = 1;
        key.direction[2] = 2;
        o.lights.push_back(key);
    }
    if (o.size == 0)
        o.size = o.sheet ? 160 : 512;

    auto module = load(o.module);
    if (!module)
        return exit_no_module;
    const ServerRecord *handler = module->server(CLASS_SHADER_HANDLER);
    sandbox::Host host;
    host.lights = o.lights;
    ShaderOperations ops{};
    if (!handler || host.activate(*handler, 1, &ops) != ACTIVATE_OK || !ops.create) {
        std::fprintf(stderr, "corvalume-sandbox: the shader handler does not activate\n");
        return exit_failed;
    }
    Instance instance = ops.create();
    auto &p = *static_cast<ShaderInstance *>(instance);

    // Percent to parameter, as the panel converts it.
    std::vector<double> columns = {o.roughness};
    std::vector<double> rows = {o.sheen};
    if (o.sheet) {
        columns = {10, 30, 50, 70, 100};
        rows = {25, 58, 100};
    }
    std::vector<Sphere> spheres;
    const std::size_t total = columns.size() * rows.size();
    for (double k : rows) {
        for (double r : columns) {
            p.roughness = r * 0.01;
            p.sheen = k * 0.01;
            if (o.sheet)
                std::fprintf(stderr, "render: sphere %zu of %zu\n", spheres.size() + 1, total);
            spheres.push_back(shade(ops, instance, host, o.size));
        }
    }
    ops.destroy(instance);

    const int gap = o.sheet ? 16 : 24;
    const int label = o.sheet ? 2 * font::height + 10 : 2 * font::height + 12;
    const int bar = o.composite ? 0 : 120;
    const int cols = static_cast<int>(columns.size());
    const int lines = static_cast<int>(rows.size());
    Image image(gap + cols * (o.size + gap) + bar, gap + lines * (o.size + label + gap));
    const double range = extent(spheres);
    for (int row = 0; row < lines; ++row) {
        for (int col = 0; col < cols; ++col) {
            const int x0 = gap + col * (o.size + gap);
            const int y0 = gap + row * (o.size + label + gap);
            paint(image, spheres[static_cast<std::size_t>(row * cols + col)], x0, y0, o.size, range,
                  o.composite);
            char text[64];
            std::snprintf(text, sizeof text, "r=%g%% k=%g%%",
                          columns[static_cast<std::size_t>(col)],
                          rows[static_cast<std::size_t>(row)]);
            image.text(x0 + (o.size - Image::text_width(text, 2)) / 2, y0 + o.size + 8, text, 2,
                       ink);
        }
    }
    if (!o.composite)
        colour_bar(image, image.width - bar + 16, gap, image.height - 2 * gap, range);

    if (!write_png(image, o.out)) {
        std::fprintf(stderr, "corvalume-sandbox: cannot write %s\n", o.out.c_str());
        return exit_io;
    }
    std::printf("%s\n", o.out.c_str());
    return exit_ok;
}

} // namespace cli
