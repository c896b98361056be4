#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "common/TestSupport.h"
#include "kernel/VexKernel.h"

namespace {

std::string format(const char* format, double value) {
    char buffer[512];
    const int n = OsprintfEx(buffer, format, value);
    return n < 0 ? std::string("<error>") : std::string(buffer, static_cast<std::size_t>(n));
}

// The format formatReal builds: "%.<decimals>f".
std::string fixedFormat(int decimals) {
    char buffer[32];
    OsprintfEx(buffer, "%%.%df", decimals);
    return buffer;
}

TEST(OatofEx, ReadsTheLeadingDecimalNumber) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"2.5", 2.5},  {"  -3.25e2x", -325.0}, {"+7", 7.0},      {".5", 0.5},     {"1.", 1.0},
        {"1e", 1.0},   {"1e+", 1.0},           {"4E-1", 0.4},    {"2,5", 2.0},    {"12 34", 12.0},
        {"0x10", 0.0}, {"inf", 0.0},           {"nan", 0.0},     {"-", 0.0},      {".", 0.0},
        {"", 0.0},     {"abc", 0.0},           {"\t\n42", 42.0}, {"-.25", -0.25}, {"007.50", 7.5},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(OatofEx(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(OatofEx(nullptr), 0.0);
    EXPECT_EQ(OatofEx("1e400"), HUGE_VAL);
    EXPECT_EQ(OatofEx("-1e400"), -HUGE_VAL);
    EXPECT_EQ(OatofEx("1e-400"), 0.0);
    EXPECT_EQ(OatofEx("-4.9e-324"), -4.9e-324);  // the smallest subnormal
}

TEST(OsprintfEx, FormatsWithTheBuiltFixedPointFormatAndTheBoundedFormCutsAndReportsTheLength) {
    EXPECT_EQ(fixedFormat(6), "%.6f");
    EXPECT_EQ(format(fixedFormat(6).c_str(), 0.1), "0.100000");
    EXPECT_EQ(format(fixedFormat(2).c_str(), 2.5), "2.50");
    EXPECT_EQ(format(fixedFormat(0).c_str(), -3.7), "-4");

    char buffer[4];
    EXPECT_EQ(OsnprintfEx(buffer, sizeof(buffer), "%d", 12345), 5);
    EXPECT_STREQ(buffer, "123");
    EXPECT_EQ(OsnprintfEx(nullptr, 0, "%.2f", 1.0), 4);
}

TEST(Numbers, IgnoreADecimalCommaLocale) {
    vexa::test::CommaLocale comma;
    if (!comma.available()) {
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    }
    char control[32];
    std::snprintf(control, sizeof(control), "%.2f", 2.5);
    ASSERT_STREQ(control, "2,50") << "the locale switch did not take effect";

    EXPECT_EQ(format("%.2f", 2.5), "2.50");
    EXPECT_DOUBLE_EQ(OatofEx("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(OatofEx("2,5"), 2.0);
    // The thread's own locale is back in force after the call.
    std::snprintf(control, sizeof(control), "%.2f", 2.5);
    EXPECT_STREQ(control, "2,50");

    // Another thread sees the process locale and still gets '.'.
    std::string fromThread;
    double parsed = 0;
    std::thread worker([&] {
        fromThread = format("%.3f", -0.125);
        parsed = OatofEx("-0.125");
    });
    worker.join();
    EXPECT_EQ(fromThread, "-0.125");
    EXPECT_DOUBLE_EQ(parsed, -0.125);
}

TEST(Numbers, WrittenNumbersReadBackExactly) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 2000; ++i) {
        const double value = std::ldexp(mantissa(random), exponent(random));
        const std::string text = format("%.17g", value);
        ASSERT_EQ(OatofEx(text.c_str()), value) << text;
    }
}

}  // namespace
