#ifndef QUORVEL_TESTS_RESTORE_RESTORE_FIXTURES_H
#define QUORVEL_TESTS_RESTORE_RESTORE_FIXTURES_H

// Shared by the restore tool's tests: the advert entry and the test file helpers.

#include <string>

#include "build_config.h"
#include "tests/support/test_files.h"

namespace restore_test {

using namespace testfiles;

inline const std::string kHost = QUORVEL_ADVERT_HOST;
inline const std::string kEntry = "0.0.0.0         " + kHost;

inline std::string Upper(std::string text) {
    for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

}  // namespace restore_test

#endif
