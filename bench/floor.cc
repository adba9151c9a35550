// What a section costs at the least under the library's interface, on this
// machine: a polymorphic object whose name() returns a const std::string&
// and which finds its entries through one pointer, entries of two strings
// each, the sections held in file order and found by name through 4-byte
// hash slots (2^21 for a million names).  Counted as glibc's malloc holds
// it (malloc_usable_size() + 8 a block).  bench/floor prints bytes per
// empty section and per section of one entry.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>
static std::size_t live = 0;
void* operator new(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  live += malloc_usable_size(p) + 8;
  return p;
}
void operator delete(void* p) noexcept {
  if (p) {
    live -= malloc_usable_size(p) + 8;
    std::free(p);
  }
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
struct entry {
  std::string name, value;
};
struct section {
  virtual ~section() = default;
  std::string name;
  std::unique_ptr<entry> entries;  // the least that can point at entries
};
int main() {
  const std::size_t n = 1000000;
  for (int withentry = 0; withentry < 2; ++withentry) {
    const std::size_t before = live;
    {
      std::vector<section*> all;
      all.reserve(n);
      std::vector<std::uint32_t> slots(1u << 21);
      for (std::size_t i = 0; i < n; ++i) {
        auto* s = new section;
        s->name = "s" + std::to_string(i);
        if (withentry) s->entries = std::make_unique<entry>(entry{"k", "v"});
        all.push_back(s);
      }
      std::printf("%s: %.1f bytes a section\n", withentry ? "one entry" : "empty",
                  double(live - before) / n);
      for (section* s : all) delete s;
    }
  }
}
