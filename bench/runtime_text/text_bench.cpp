// FindText, ReplaceSubtext and SplitText on 1 MB of mixed GBK/ASCII text,
// called through CallCoreCommand as compiled logic calls them, against a
// plain std::string_view::find loop doing the same job without the
// double-byte rules. Prints each pair's ratio (ours / reference) at the end.
//
// How the rules stay cheap: memmem jumps to each candidate; a candidate is
// checked for a character boundary by walking back only over the run of
// bytes >= 0x80 just before it, stopping at the last boundary already known
// (libraries/core/gbk_text.h), so the check costs a few bytes per candidate
// and never rescans text.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "libraries/core/core_library.h"
#include "runtime/application.h"
#include "runtime/entry_table.h"

namespace {

using namespace runtime;

// Chinese runs (GB2312 area and the extension area whose second bytes
// include ASCII letters), ASCII words, commas, and the needle once near the end.
std::string MakeMixedText() {
    std::mt19937 rng(2024);
    std::string s;
    s.reserve(1 << 20);
    while (s.size() < (1 << 20) - 64) {
        int chinese = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < chinese; ++i) {
            if (rng() % 5 == 0) {
                s += static_cast<char>(0x81 + rng() % 0x20);
                s += static_cast<char>(0x40 + rng() % 0x3F);
            } else {
                s += static_cast<char>(0xB0 + rng() % 0x27);
                s += static_cast<char>(0xA1 + rng() % 0x5E);
            }
        }
        int ascii = static_cast<int>(rng() % 10);
        for (int i = 0; i < ascii; ++i) s += static_cast<char>('a' + rng() % 26);
        s += rng() % 3 == 0 ? ", " : ",";
    }
    s += "signature-needle";
    return s;
}

const std::string& Text() {
    static const std::string text = MakeMixedText();
    return text;
}

ArgRecord TextArg(const std::string& s) { return MakePointerArg(s.c_str(), kTypeText); }

ArgRecord Call(core::CoreCommand slot, std::vector<ArgRecord>& args) {
    return EntryTable().CallCoreCommand(core::kCoreCommands[slot], static_cast<int32_t>(args.size()), args.data(), 0);
}

const std::string kNeedle = "signature-needle";

void BM_FindText_Ours(benchmark::State& state) {
    std::vector<ArgRecord> args = {TextArg(Text()), TextArg(kNeedle), {0, 0}, MakeBoolArg(false)};
    for (auto _ : state) benchmark::DoNotOptimize(Call(core::kFindText, args));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}

void BM_FindText_Reference(benchmark::State& state) {
    std::string_view text = Text();
    for (auto _ : state) benchmark::DoNotOptimize(text.find(kNeedle));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}

void BM_ReplaceSubtext_Ours(benchmark::State& state) {
    const std::string comma = ",", semicolon = ";";
    std::vector<ArgRecord> args = {TextArg(Text()), TextArg(comma), TextArg(semicolon), {0, 0}, {0, 0},
                                   MakeBoolArg(true)};
    for (auto _ : state) {
        ArgRecord r = Call(core::kReplaceSubtext, args);
        EntryTable().FreeMemory(ArgPointer(r));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}

// The same result block as the command hands out: built, then copied into a
// heap text.
void BM_ReplaceSubtext_Reference(benchmark::State& state) {
    std::string_view text = Text();
    for (auto _ : state) {
        std::string out;
        out.reserve(text.size());
        size_t from = 0;
        for (size_t c = text.find(','); c != std::string_view::npos; c = text.find(',', from)) {
            out.append(text.data() + from, c - from);
            out += ';';
            from = c + 1;
        }
        out.append(text.data() + from, text.size() - from);
        char* block = MakeText(&NotifyRuntime, out.data(), static_cast<ptrdiff_t>(out.size()));
        benchmark::DoNotOptimize(block);
        EntryTable().FreeMemory(block);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}

void BM_SplitText_Ours(benchmark::State& state) {
    const std::string comma = ",";
    std::vector<ArgRecord> args = {TextArg(Text()), TextArg(comma)};
    for (auto _ : state) {
        ArgRecord r = Call(core::kSplitText, args);
        FreeValue(&NotifyRuntime, r.type, ArgPointer(r));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}

// The same text array: one heap text per piece, pointers in one array block.
void BM_SplitText_Reference(benchmark::State& state) {
    std::string_view text = Text();
    for (auto _ : state) {
        std::vector<std::string_view> pieces;
        size_t from = 0;
        for (size_t c = text.find(','); c != std::string_view::npos; c = text.find(',', from)) {
            pieces.push_back(text.substr(from, c - from));
            from = c + 1;
        }
        if (from < text.size()) pieces.push_back(text.substr(from));
        void* array = MakeArray(&NotifyRuntime, kTypeText, pieces.size());
        ArrayInfo info;
        ReadArrayInfo(array, kTypeText, &info);
        for (size_t i = 0; i < pieces.size(); ++i)
            SetArrayPointerElement(array, info, i,
                                   MakeText(&NotifyRuntime, pieces[i].data(), static_cast<ptrdiff_t>(pieces[i].size())));
        FreeValue(&NotifyRuntime, kTypeText | kArrayFlag, array);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text().size()));
}

BENCHMARK(BM_FindText_Ours);
BENCHMARK(BM_FindText_Reference);
BENCHMARK(BM_ReplaceSubtext_Ours);
BENCHMARK(BM_ReplaceSubtext_Reference);
BENCHMARK(BM_SplitText_Ours);
BENCHMARK(BM_SplitText_Reference);

// Console output as usual, plus the ratio of each _Ours to its _Reference.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colour only on a terminal, so logs stay readable.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nratio (ours / reference, target <= 2.0):\n");
        for (const auto& [name, ours] : times_) {
            size_t cut = name.find("_Ours");
            if (cut == std::string::npos) continue;
            std::string ref = name.substr(0, cut) + "_Reference" + name.substr(cut + 5);
            auto it = times_.find(ref);
            if (it != times_.end() && it->second > 0)
                std::printf("  %-20s %.2f\n", name.substr(3, cut - 3).c_str(), ours / it->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    static const LibraryInfo* libraries[] = {&core::CoreLibraryInfo()};
    static const ProgramHeader header{.libraryCount = 1, .libraries = libraries};
    Application::Instance().SetProgram(&header);
    Application::Instance().StartRuntime();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
