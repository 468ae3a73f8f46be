// SPDX-License-Identifier: MIT
// classify_line and classify_cut_line beside the C library's scanner with the
// same format, on the same realistic mix of lines; and the colour table's
// find and nearest, on a table of a thousand of those lines' colours.

#include "line_scanner.hpp"
#include "random_lines.hpp"
#include <tintlist/colour_database.hpp>

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::vector<std::string>& sample_lines() {
    static const std::vector<std::string> lines = [] {
        tintlist_test::random_lines mix(7);
        std::vector<std::string> made;
        for (int i = 0; i < 10000; ++i) made.push_back(mix.usual());
        return made;
    }();
    return lines;
}

void per_line(benchmark::State& state, std::size_t lines) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines));
    state.counters["per_line"] =
        benchmark::Counter(static_cast<double>(state.iterations() * lines),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void classify_line(benchmark::State& state) {
    const auto& lines = sample_lines();
    for (auto _ : state) {
        for (const std::string& line : lines)
            benchmark::DoNotOptimize(tintlist::classify_line(line));
    }
    per_line(state, lines.size());
}
BENCHMARK(classify_line);

// The lines one after another in one buffer, as the listing reads them, with
// slack after the last.
void classify_cut_line(benchmark::State& state) {
    const auto& lines = sample_lines();
    std::string buffer;
    for (const std::string& line : lines) buffer += line;
    buffer.append(tintlist::readable_slack + 1, '\0');
    std::vector<std::string_view> cut;
    for (std::size_t at = 0; const std::string& line : lines) {
        cut.emplace_back(buffer.data() + at, line.size());
        at += line.size();
    }
    for (auto _ : state) {
        for (std::string_view line : cut)
            benchmark::DoNotOptimize(tintlist::classify_cut_line(line));
    }
    per_line(state, lines.size());
}
BENCHMARK(classify_cut_line);

void sscanf_entry(benchmark::State& state) {
    const auto& lines = sample_lines();
    for (auto _ : state) {
        for (const std::string& line : lines) {
            int red, green, blue;
            char name[512];
            benchmark::DoNotOptimize(
                std::sscanf(line.c_str(), "%d %d %d %[^\n]\n", &red, &green, &blue, name));
            benchmark::DoNotOptimize(name);
        }
    }
    per_line(state, lines.size());
}
BENCHMARK(sscanf_entry);

// A thousand colours of the mix, with its names.
const tintlist::colour_table& thousand_colours() {
    static const tintlist::colour_table table = [] {
        tintlist::colour_table made;
        tintlist_test::random_lines mix(11);
        while (made.size() < 1000) {
            const tintlist::classified_line line = tintlist::classify_line(mix.usual());
            if (line.outcome == tintlist::line_outcome::entry) made.add(line.colour);
        }
        return made;
    }();
    return table;
}

// Each name in capitals, as a user might ask for it.
void find(benchmark::State& state) {
    const tintlist::colour_table& table = thousand_colours();
    std::vector<std::string> asked;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::string name(table[i].name);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        asked.push_back(name);
    }
    for (auto _ : state) {
        for (const std::string& name : asked) benchmark::DoNotOptimize(table.find(name));
    }
    per_line(state, asked.size());
}
BENCHMARK(find);

// Colours of every kind, spread evenly.
void nearest(benchmark::State& state) {
    const tintlist::colour_table& table = thousand_colours();
    std::mt19937 random(5);
    std::vector<int> asked;
    for (int i = 0; i < 3 * 1000; ++i) asked.push_back(static_cast<int>(random() % 256));
    for (auto _ : state) {
        for (std::size_t i = 0; i < asked.size(); i += 3)
            benchmark::DoNotOptimize(table.nearest(asked[i], asked[i + 1], asked[i + 2]));
    }
    per_line(state, asked.size() / 3);
}
BENCHMARK(nearest);

} // namespace

BENCHMARK_MAIN();
