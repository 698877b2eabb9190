// The address extraction alone (page text to address), on generated pages:
//   router_100k  a 100 KiB router status page in Japanese: 2,000 dots, one 40 KiB inline script
//   big_64m      64 MiB of ASCII: a million dots and one 16 MiB piece
//   big_64m_ja   the same with Japanese text, so the page is converted to Shift_JIS first
// The address stands at the end of each page, so the whole page is scanned. Each case reports
// its throughput and the process's peak resident memory (run one case per process to read the
// peak of that case alone: --benchmark_filter=NAME).
//
//   lookup_bench --write-page NAME FILE   writes the page of a case to FILE and ends.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "lookup.h"

namespace {

constexpr const char* kAddress = "198.51.100.200";

// Appends `unit` repeatedly until `out` has `size` bytes (the last copy cut short).
void fill(std::string& out, const std::string& unit, size_t size) {
    if (out.size() >= size) return;
    while (out.size() + unit.size() <= size) out += unit;
    out.append(unit, 0, size - out.size());
}

std::string routerPage() {
    std::string page;
    page.reserve(100 << 10);
    page += "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\"><title>ルーター 状態表示 ファーム 2.x</title>\n";
    // One inline script of 40 KiB without a dot.
    page += "<script>\nvar conf = '";
    fill(page, "QmFzZTY0IGRhdGEgb2YgdGhlIHJvdXRlciBzZXR0aW5ncw==", page.size() + (40 << 10) - 32);
    page += "';\n</script>\n</head><body><table>\n";
    // 499 rows of 4 dots each; with the one in the title and the three of the address, 2,000.
    for (int row = 1; row <= 499; ++row) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "<tr><td>項目%04d</td><td><a href=\"http://www.example.co.jp/p%04d\">ヘルプ</a> %d.x 正常</td></tr>\n",
                      row, row, row % 10);
        page += line;
    }
    page += "<tr><td>詳細は取扱説明書をご覧ください</td></tr>\n";
    const std::string tail = "<tr><td>WAN側IPアドレス</td><td>" + std::string(kAddress) + "</td></tr>\n</table></body></html>\n";
    fill(page, "<!-- -->\n", (100 << 10) - tail.size());
    page += tail;
    return page;
}

std::string bigPage(bool japanese) {
    const size_t total = 64u << 20, longPiece = 16u << 20;
    // 49 bytes each, the dot included
    const std::string sentence = japanese ? "回線は正常に動作中です状態を確認." : "lorem ipsum dolor sit amet, consectetur adipisci.";
    const std::string filler = japanese ? "設定値" : "abcdefghij klmnop ";
    const std::string tail = " WAN address " + std::string(kAddress) + " end\n</html>\n";
    const size_t sentences = 1'000'000 - 3;  // three more dots in the address
    std::string page;
    page.reserve(total);
    page += "<html>\n";
    for (size_t k = 0; k < sentences / 2; ++k) page += sentence;
    fill(page, filler, page.size() + longPiece);  // one piece of 16 MiB
    for (size_t k = sentences / 2; k < sentences; ++k) page += sentence;
    fill(page, filler, total - tail.size());
    page += tail;
    return page;
}

const std::string& pageFor(const std::string& name) {
    static const std::string router = routerPage();
    if (name == "router_100k") return router;
    static std::string big, bigJa;
    if (name == "big_64m") {
        if (big.empty()) big = bigPage(false);
        return big;
    }
    if (bigJa.empty()) bigJa = bigPage(true);
    return bigJa;
}

double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void report(benchmark::State& state, const std::string& page) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    const double pageMiB = page.size() / 1048576.0;
    state.counters["page_MiB"] = pageMiB;
    state.counters["peak_rss_MiB"] = peakRssMiB();
    state.counters["peak_per_page"] = peakRssMiB() / pageMiB;
}

void simpleMode(benchmark::State& state, const std::string& name) {
    const std::string& page = pageFor(name);
    for (auto _ : state) {
        std::string address = nw::ExtractAddress(page, false, "", "", "", 0);
        if (address != kAddress) state.SkipWithError(("wrong address " + address).c_str());
        benchmark::DoNotOptimize(address);
    }
    report(state, page);
}

void detailedMode(benchmark::State& state, const std::string& name) {
    const std::string& page = pageFor(name);
    for (auto _ : state) {
        std::string address = nw::ExtractAddress(page, true, "<HTML", "</HTML>", ".", 1);
        if (address != kAddress) state.SkipWithError(("wrong address " + address).c_str());
        benchmark::DoNotOptimize(address);
    }
    report(state, page);
}

BENCHMARK_CAPTURE(simpleMode, router_100k, std::string("router_100k"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(detailedMode, router_100k, std::string("router_100k"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(simpleMode, big_64m, std::string("big_64m"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(detailedMode, big_64m, std::string("big_64m"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simpleMode, big_64m_ja, std::string("big_64m_ja"))->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--write-page") == 0) {
        std::ofstream(argv[3], std::ios::binary) << pageFor(argv[2]);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
