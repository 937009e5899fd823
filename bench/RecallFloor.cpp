// The floor the end-to-end recall is measured against: the least any program must do to
// turn a recall file into one number per row. It reads the file in blocks, splits it on
// white space, converts every word with std::from_chars (the tags simply fail to convert),
// and for every line that held numbers writes one number, their sum, with std::to_chars:
//
//   RecallFloor RECALL_FILE OUTPUT_FILE
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBlockSize = 1 << 18;
constexpr std::size_t kNumberRoom = 32;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

class Writer {
  public:
    explicit Writer(std::FILE* file) : out(file), block(kBlockSize) {}
    ~Writer() { Flush(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void Line(double value) {
        if (block.size() - used < kNumberRoom) {
            Flush();
        }
        char* at = block.data() + used;
        char* end =
            std::to_chars(at, block.data() + block.size(), value, std::chars_format::general, 15)
                .ptr;
        *end++ = '\n';
        used += static_cast<std::size_t>(end - at);
    }

  private:
    std::FILE* out;
    std::vector<char> block;
    std::size_t used = 0;

    void Flush() {
        std::fwrite(block.data(), 1, used, out);
        used = 0;
    }
};

// Words and line ends of one block; a word cut by the end of the block is carried over.
class Splitter {
  public:
    explicit Splitter(Writer& writer) : output(writer) {}

    void Feed(const char* p, const char* end) {
        while (p < end) {
            if (IsSpace(*p)) {
                EndWord();
                if (*p == '\n') {
                    EndLine();
                }
                ++p;
                continue;
            }
            const char* start = p;
            while (p < end && !IsSpace(*p)) {
                ++p;
            }
            if (p < end && word.empty()) {
                Convert(start, p);
            } else {
                word.append(start, p);
            }
        }
    }
    void Finish() {
        EndWord();
        EndLine();
    }

  private:
    Writer& output;
    std::string word;
    double sum = 0.0;
    bool numbers = false;

    // A word that is a whole number counts; the words of the tags do not.
    void Convert(const char* start, const char* end) {
        double value = 0.0;
        const std::from_chars_result result = std::from_chars(start, end, value);
        if (result.ec == std::errc{} && result.ptr == end) {
            sum += value;
            numbers = true;
        }
    }
    void EndWord() {
        if (!word.empty()) {
            Convert(word.data(), word.data() + word.size());
            word.clear();
        }
    }
    void EndLine() {
        if (numbers) {
            output.Line(sum);
        }
        sum = 0.0;
        numbers = false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Usage: RecallFloor RECALL_FILE OUTPUT_FILE\n";
        return 1;
    }
    const File in(std::fopen(argv[1], "rb"));
    const File out(std::fopen(argv[2], "wb"));
    if (!in || !out) {
        std::cerr << "RecallFloor: cannot open the files\n";
        return 1;
    }
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    std::setvbuf(out.get(), nullptr, _IONBF, 0);
    std::vector<char> block(kBlockSize);
    Writer writer(out.get());
    Splitter splitter(writer);
    for (;;) {
        const std::size_t count = std::fread(block.data(), 1, block.size(), in.get());
        if (count == 0) {
            break;
        }
        splitter.Feed(block.data(), block.data() + count);
    }
    splitter.Finish();
    return 0;
}
