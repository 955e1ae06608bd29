// Storing and restoring the two parameters in the host's files.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "fixture.h"
#include "locale.h"
#include "sandbox/store.h"

namespace corvalume_test {
namespace {

using sandbox::Bytes;
using sandbox::Store;

constexpr int text_mode = 1;

// Doubles that are easy to lose on the way through text.
const std::uint64_t awkward[] = {
    bits(0.3),
    bits(0.58),
    bits(0.1 + 0.2),
    bits(-0.0),
    bits(0.0),
    bits(-2),
    bits(150),
    bits(DBL_MAX),
    bits(-DBL_MAX),
    bits(DBL_MIN),
    bits(DBL_TRUE_MIN),
    bits(-4.9406564584124654e-322),
    bits(std::nextafter(1.0, 2.0)),
    bits(1e22),
    bits(123456789012345678.0),
    bits(std::numeric_limits<double>::infinity()),
    bits(-std::numeric_limits<double>::infinity()),
    0x7ff8000000000000u, // the usual quiet NaN
    0xfff8000000000000u, // the same, negative
    0x7ff0000000000001u, // signalling, smallest payload
    0x7fffffffffffffffu, // quiet, largest payload
    0xfff4000000000123u, // signalling, negative
};

class Persist : public ShaderTest {
  protected:
    void SetUp() override {
        ShaderTest::SetUp();
        instance = make();
    }

    void set(Instance i, std::uint64_t r, std::uint64_t k) {
        std::memcpy(&params(i).roughness, &r, 8);
        std::memcpy(&params(i).sheen, &k, 8);
    }

    Store save(Instance i, int mode) {
        Store store;
        const SaveState state = store.saving(mode);
        EXPECT_EQ(ops.save(i, &state), nullptr);
        return store;
    }

    void load(Instance i, Store &store, int mode) {
        const LoadState state = store.loading(mode);
        EXPECT_EQ(ops.load(i, &state), nullptr);
    }

    Instance instance = nullptr;
};

TEST_F(Persist, BinaryFormOfAFreshInstance) {
    const Store store = save(instance, STATE_BINARY);
    EXPECT_EQ(store.writes, (std::vector<Bytes>{{0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xD3, 0x3F},
                                                {0x8F, 0xC2, 0xF5, 0x28, 0x5C, 0x8F, 0xE2, 0x3F}}));
}

TEST_F(Persist, BinaryLoadRestoresTheBytes) {
    Store store;
    store.items = {{0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xD3, 0x3F},
                   {0x8F, 0xC2, 0xF5, 0x28, 0x5C, 0x8F, 0xE2, 0x3F}};
    params(instance).roughness = 7;
    params(instance).sheen = -7;
    load(instance, store, STATE_BINARY);
    EXPECT_EQ(store.read_limits, (std::vector<int>{8, 8}));
    EXPECT_EQ(bits(params(instance).roughness), bits(0.3));
    EXPECT_EQ(bits(params(instance).sheen), bits(0.58));
}

// Any value survives both forms bit for bit, and saving what was loaded
// gives the same bytes again.
TEST_F(Persist, EveryValueRoundTripsInBothForms) {
    Instance copy = make();
    for (int mode : {STATE_BINARY, text_mode}) {
        for (std::size_t i = 0; i < std::size(awkward); ++i) {
            const std::uint64_t r = awkward[i];
            const std::uint64_t k = awkward[(i + 5) % std::size(awkward)];
            set(instance, r, k);
            Store store = save(instance, mode);
            store.rewind();
            set(copy, bits(0.5), bits(0.5));
            load(copy, store, mode);
            EXPECT_EQ(bits(params(copy).roughness), r) << "mode " << mode << " value " << i;
            EXPECT_EQ(bits(params(copy).sheen), k) << "mode " << mode << " value " << i;
            EXPECT_EQ(save(copy, mode).writes, store.writes);
        }
    }
}

TEST_F(Persist, TextFormIsTwoItemsWithTheirNul) {
    Store store = save(instance, text_mode);
    EXPECT_EQ(store.writes, (std::vector<Bytes>{Store::text("0.3"), Store::text("0.58")}));

    for (std::uint64_t value : awkward) {
        set(instance, value, value);
        for (const Bytes &item : save(instance, text_mode).writes) {
            EXPECT_LE(item.size(), 50u);
            EXPECT_EQ(std::strlen(reinterpret_cast<const char *>(item.data())) + 1, item.size());
        }
    }

    store.rewind();
    load(instance, store, text_mode);
    EXPECT_EQ(store.read_limits, (std::vector<int>{50, 50}));
}

// Files travel between machines: text written under one locale reads back
// exactly under another.
TEST_F(Persist, TextIgnoresTheProcessLocale) {
    Instance copy = make();
    for (const char *writer : {"C", comma_locale}) {
        for (const char *reader : {"C", comma_locale}) {
            for (std::uint64_t value : awkward) {
                set(instance, value, bits(-1.5));
                Store store;
                {
                    ScopedLocale scoped(writer);
                    store = save(instance, text_mode);
                }
                EXPECT_EQ(store.writes[1], Store::text("-1.5")) << writer;
                store.rewind();
                ScopedLocale scoped(reader);
                load(copy, store, text_mode);
                EXPECT_EQ(bits(params(copy).roughness), value) << writer << " to " << reader;
                EXPECT_EQ(bits(params(copy).sheen), bits(-1.5)) << writer << " to " << reader;
            }
        }
    }
}

// What a damaged file may hold: an item that is not, in full, a number
// leaves its parameter as it was, and the other item is still read.
TEST_F(Persist, UnreadableItemsLeaveTheirParameter) {
    struct Item {
        const char *name;
        Bytes bytes;
        bool readable;
        double value;
    };
    const Bytes fifty_digits(50, '1');
    Bytes nul_inside = Store::text("0.25");
    nul_inside.insert(nul_inside.end(), {'j', 'u', 'n', 'k', 0});
    const std::vector<Item> items = {
        {"plain", Store::text("0.25"), true, 0.25},
        {"white space around", Store::text(" \t0.25\r\n"), true, 0.25},
        {"NUL inside", nul_inside, true, 0.25},
        {"fifty digits, no NUL", fifty_digits, true, 1.1111111111111111e49},
        {"exponent", Store::text("2.5e-3"), true, 0.0025},
        {"empty", Store::text(""), false, 0},
        {"white space only", Store::text("   "), false, 0},
        {"garbage", Store::text("abc"), false, 0},
        {"trailing junk", Store::text("0.5x"), false, 0},
        {"two numbers", Store::text("0.5 0.6"), false, 0},
        {"leading junk", Store::text("x0.5"), false, 0},
        {"comma decimal", Store::text("0,5"), false, 0},
        {"hexadecimal", Store::text("0x1p-2"), false, 0},
        {"out of range", Store::text("1e400"), false, 0},
        {"NaN without payload bits", Store::text("nan(0x0)"), false, 0},
        {"sixty digits, no NUL", Bytes(60, '7'), true, 7.7777777777777778e49},
        {"nothing delivered", Bytes{}, false, 0},
    };
    for (const Item &item : items) {
        for (int position : {0, 1}) {
            Store store;
            store.items = {Store::text("0.125"), Store::text("0.125")};
            store.items[position] = item.bytes;
            params(instance).roughness = 0.75;
            params(instance).sheen = 0.75;
            load(instance, store, text_mode);
            const double expected = item.readable ? item.value : 0.75;
            const double got = position == 0 ? params(instance).roughness : params(instance).sheen;
            const double other =
                position == 0 ? params(instance).sheen : params(instance).roughness;
            EXPECT_EQ(bits(got), bits(expected)) << item.name << " at item " << position;
            EXPECT_EQ(other, 0.125) << item.name << " at item " << position;
        }
    }

    // A read that delivers nothing at all leaves both parameters.
    Store empty;
    load(instance, empty, text_mode);
    EXPECT_EQ(empty.read_limits, (std::vector<int>{50, 50}));
}

TEST_F(Persist, DescriptionIsNeitherStoredNorTouched) {
    ops.describe(instance);
    const std::string before = params(instance).description;
    Store store = save(instance, text_mode);
    params(instance).roughness = 0.9;
    store.rewind();
    load(instance, store, text_mode);
    EXPECT_EQ(params(instance).description, before);
    EXPECT_STREQ(ops.describe(instance), "Corvalume:roughness:0.3 sheen: 0.58");
}

} // namespace
} // namespace corvalume_test
