// genrun: writes a synthetic sampling run for tests, examples and benchmarks.
//
// Usage: genrun DATAFOLDER SWEEPS KMAX [SEED]
// Creates DATAFOLDER (if needed) with Init.d (kmax as its last token) and
// 1.Par: SWEEPS records whose component counts 1..KMAX cluster around the
// middle, each component a triple (weight, mean, spread) printed with six
// decimals. The same arguments always give the same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

uint64_t state = 0;

// splitmix64: small, portable, and the same sequence everywhere.
uint64_t Next() {
  uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

// Roughly normal: the sum of four uniforms, centred and scaled.
double Gauss() { return (Uniform() + Uniform() + Uniform() + Uniform() - 2.0) * 1.7320508; }

int ComponentCount(int kmax) {
  double mid = (kmax + 1) / 2.0;
  long k = std::lround(mid + Gauss() * (kmax / 5.0 + 0.5));
  return static_cast<int>(k < 1 ? 1 : (k > kmax ? kmax : k));
}

bool WriteInit(const std::string& path, int kmax) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  std::fprintf(f, "3\n1.500000\n-2.250000\n0.000100\n");  // n and its reals
  std::fprintf(f, "0.5\n%d\n1\n2.0 3.0\n7\n", 400);       // fixed fields 1-6
  std::fprintf(f, "0.1 0.2 0.3 0.4 0.5 0.6 0.7\n");        // fixed fields 7-13
  std::fprintf(f, "%d\n", kmax);
  return std::fclose(f) == 0;
}

bool WriteSamples(const std::string& path, long sweeps, int kmax) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  std::fprintf(f, "%ld\n", sweeps);
  for (long i = 0; i < sweeps; ++i) {
    int k = ComponentCount(kmax);
    std::fprintf(f, "%d\n", k);
    for (int c = 1; c <= k; ++c) {
      double weight = Uniform();
      double mean = 10.0 * c + Gauss() * 2.0;
      double spread = 0.5 + Uniform() * Uniform() * 4.0;
      std::fprintf(f, "%.6f %.6f %.6f\n", weight, mean, spread);
    }
  }
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: genrun DATAFOLDER SWEEPS KMAX [SEED]\n");
    return 2;
  }
  std::string dir = argv[1];
  long sweeps = std::atol(argv[2]);
  int kmax = std::atoi(argv[3]);
  state = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1;
  if (sweeps < 0 || kmax < 1) {
    std::fprintf(stderr, "genrun: SWEEPS must be >= 0 and KMAX >= 1\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!WriteInit(dir + "/Init.d", kmax) || !WriteSamples(dir + "/1.Par", sweeps, kmax)) {
    std::fprintf(stderr, "genrun: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
