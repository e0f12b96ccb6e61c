#ifndef QMX_TESTS_FUZZ_FUZZ_CHECK_H_
#define QMX_TESTS_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer, which keeps the input, when an invariant is broken.
inline void Check(bool holds, const char* file, int line, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, what);
  std::abort();
}
#define QMX_FUZZ_CHECK(condition) \
  ::Check(condition, __FILE__, __LINE__, #condition)

#endif  // QMX_TESTS_FUZZ_FUZZ_CHECK_H_
