#ifndef QMX_TESTS_FUZZ_FUZZ_CHECK_H_
#define QMX_TESTS_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer, which keeps the input, when an invariant is broken.
#define QMX_FUZZ_CHECK(condition)                                     \
  do {                                                                \
    if (!(condition)) {                                               \
      std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, \
                   #condition);                                       \
      std::abort();                                                   \
    }                                                                 \
  } while (false)

#endif  // QMX_TESTS_FUZZ_FUZZ_CHECK_H_
