// Replays every committed fuzz input (tests/fuzz/seeds/<target> and
// tests/fuzz/crashes/<target>) through the same target functions the
// fuzzers run, built here with the ordinary compiler. One test per file, so
// an input that breaks a property names itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "common/TestSupport.h"

extern "C" {
int fuzz_xml_settings_one(const std::uint8_t* data, std::size_t size);
int fuzz_brace_settings_one(const std::uint8_t* data, std::size_t size);
int fuzz_windows_path_one(const std::uint8_t* data, std::size_t size);
int fuzz_rounded_res_one(const std::uint8_t* data, std::size_t size);
int fuzz_wildcard_one(const std::uint8_t* data, std::size_t size);
int fuzz_data_strategies_one(const std::uint8_t* data, std::size_t size);
}

namespace {

namespace fs = std::filesystem;

typedef int (*TargetFunction)(const std::uint8_t*, std::size_t);

struct Target {
    const char* name;
    TargetFunction run;
};

const Target kTargets[] = {
    {"xml_settings", fuzz_xml_settings_one}, {"brace_settings", fuzz_brace_settings_one},
    {"windows_path", fuzz_windows_path_one}, {"rounded_res", fuzz_rounded_res_one},
    {"wildcard", fuzz_wildcard_one},         {"data_strategies", fuzz_data_strategies_one},
};

struct Input {
    std::string target;
    std::string kind;  // "seeds" or "crashes"
    fs::path file;
    TargetFunction run;
};

// Names the file when gtest prints a parameter.
void PrintTo(const Input& input, std::ostream* out) {
    *out << input.file.string();
}

std::vector<Input> inputsOf(const Target& target, const std::string& kind) {
    std::vector<Input> inputs;
    const fs::path folder = fs::path(VEXA_SOURCE_DIR) / "tests" / "fuzz" / kind / target.name;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            inputs.push_back({target.name, kind, entry.path(), target.run});
        }
    }
    std::sort(inputs.begin(), inputs.end(),
              [](const Input& a, const Input& b) { return a.file < b.file; });
    return inputs;
}

std::vector<Input> allInputs() {
    std::vector<Input> inputs;
    for (const Target& target : kTargets) {
        for (const char* kind : {"seeds", "crashes"}) {
            const std::vector<Input> found = inputsOf(target, kind);
            inputs.insert(inputs.end(), found.begin(), found.end());
        }
    }
    return inputs;
}

std::string testName(const ::testing::TestParamInfo<Input>& info) {
    std::string name =
        info.param.kind + "_" + info.param.target + "_" + info.param.file.filename().string();
    for (char& c : name) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        c = plain ? c : '_';
    }
    return name + "_" + std::to_string(info.index);
}

class FuzzReplay : public ::testing::TestWithParam<Input> {
  protected:
    static void SetUpTestSuite() { vexa::fuzz::setThrowOnFailure(true); }
    static void TearDownTestSuite() { vexa::fuzz::setThrowOnFailure(false); }
};

TEST_P(FuzzReplay, InputKeepsEveryProperty) {
    const Input& input = GetParam();
    const std::string bytes = vexa::test::readFile(input.file.string());
    try {
        input.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    } catch (const vexa::fuzz::FuzzFailure& failure) {
        FAIL() << input.file << ": " << failure.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Committed, FuzzReplay, ::testing::ValuesIn(allInputs()), testName);

}  // namespace
