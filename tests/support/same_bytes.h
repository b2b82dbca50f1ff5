#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// Compares two byte strings that may be megabytes long without printing them: a failure names
// their sizes and the first offset at which they differ.
inline ::testing::AssertionResult SameBytes(const std::string& actual,
                                            const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const std::size_t common = std::min(actual.size(), expected.size());
    const std::size_t offset = static_cast<std::size_t>(
        std::mismatch(actual.begin(), actual.begin() + common, expected.begin()).first -
        actual.begin());
    return ::testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                         << " were expected, first difference at byte " << offset;
}
