// Reading and writing a generated data set file of about 50 MB, against a floor: a plain
// loop that reads the same file, splits it on white space and converts every word with
// std::from_chars (and, for writing, formats the same numbers with std::to_chars).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DataObject/Data.h"
#include "FileHandler/DataSetFile/Filer.h"

namespace {

constexpr std::int32_t kRows = 300000;
constexpr std::int32_t kInputs = 8;
constexpr std::int32_t kOutputs = 1;

std::string BenchPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

std::unique_ptr<Data> RandomDataSet() {
    auto data = std::make_unique<Data>(kRows, kInputs, kOutputs, false);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> inputs(kInputs);
    std::vector<double> outputs(kOutputs);
    for (std::int32_t r = 0; r < kRows; ++r) {
        for (double& v : inputs) {
            v = value(random);
        }
        for (double& v : outputs) {
            v = value(random);
        }
        data->AppendRow(inputs, outputs, nullptr);
    }
    return data;
}

// The generated file, written once for all benchmarks and removed at the end.
struct BenchFile {
    std::unique_ptr<Data> data = RandomDataSet();
    std::string path = BenchPath("zorf-bench-input.dat");
    std::int64_t size = 0;

    BenchFile() {
        if (FileTools::SaveDataSet(path, data.get(), nullptr) != FileTools::SUCCESS) {
            std::abort();
        }
        size = static_cast<std::int64_t>(std::filesystem::file_size(path));
    }
    ~BenchFile() { std::filesystem::remove(path); }
};

const BenchFile& File() {
    static const BenchFile file;
    return file;
}

std::string ReadWhole(const std::string& path) {
    std::string text(std::filesystem::file_size(path), '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const std::size_t read = std::fread(text.data(), 1, text.size(), file);
    std::fclose(file);
    text.resize(read);
    return text;
}

void BM_LoadDataSet(benchmark::State& state) {
    const BenchFile& file = File();
    FileTools::ScratchBuffer scratch;
    for (auto _ : state) {
        FileTools::LoadedDataSet loaded = FileTools::LoadDataSet(scratch, file.path);
        benchmark::DoNotOptimize(loaded.data.get());
    }
    state.SetBytesProcessed(state.iterations() * file.size);
}
BENCHMARK(BM_LoadDataSet)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SaveDataSet(benchmark::State& state) {
    const BenchFile& file = File();
    const std::string path = BenchPath("zorf-bench-output.dat");
    for (auto _ : state) {
        benchmark::DoNotOptimize(FileTools::SaveDataSet(path, file.data.get(), nullptr));
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveDataSet)->Unit(benchmark::kMillisecond)->MinTime(2.0);

bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

// The floor for reading: read the file, split on white space, std::from_chars every word
// (words that are no number, the tags, simply fail to convert).
void BM_FloorSplitFromChars(benchmark::State& state) {
    const BenchFile& file = File();
    for (auto _ : state) {
        const std::string text = ReadWhole(file.path);
        const char* p = text.data();
        const char* end = p + text.size();
        double sum = 0.0;
        while (p < end) {
            while (p < end && IsSpace(*p)) {
                ++p;
            }
            const char* word = p;
            while (p < end && !IsSpace(*p)) {
                ++p;
            }
            double value = 0.0;
            if (std::from_chars(word, p, value).ec == std::errc{}) {
                sum += value;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * file.size);
}
BENCHMARK(BM_FloorSplitFromChars)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The floor for writing: the same numbers with std::to_chars (15 significant digits) and a
// blank each, one line per row, written with one fwrite per 64 KiB.
void BM_FloorToCharsWrite(benchmark::State& state) {
    const BenchFile& file = File();
    const std::string path = BenchPath("zorf-bench-floor.dat");
    std::vector<char> block(1 << 16);
    std::int64_t written = 0;
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::size_t used = 0;
        written = 0;
        const auto put = [&](double value) {
            if (block.size() - used < 64) {
                written += static_cast<std::int64_t>(std::fwrite(block.data(), 1, used, out));
                used = 0;
            }
            char* at = block.data() + used;
            char* stop = std::to_chars(at, block.data() + block.size(), value,
                                       std::chars_format::general, 15)
                             .ptr;
            *stop++ = ' ';
            used += static_cast<std::size_t>(stop - at);
        };
        for (std::int32_t r = 0; r < kRows; ++r) {
            for (std::int32_t c = 0; c < kInputs; ++c) {
                put(file.data->GetInputDatum(r, c));
            }
            for (std::int32_t c = 0; c < kOutputs; ++c) {
                put(file.data->GetOutputDatum(r, c));
            }
            block[used++] = '\n';
        }
        written += static_cast<std::int64_t>(std::fwrite(block.data(), 1, used, out));
        std::fclose(out);
    }
    state.SetBytesProcessed(state.iterations() * written);
    std::filesystem::remove(path);
}
BENCHMARK(BM_FloorToCharsWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
