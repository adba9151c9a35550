// Wraps an object that is built on first use and never destroyed, so that
// process-wide state runs no code when the library is loaded or unloaded.

#ifndef VORNFILE_NODESTRUCTOR_H_
#define VORNFILE_NODESTRUCTOR_H_

#include <new>
#include <type_traits>
#include <utility>

namespace vornfile {

template <class T>
class nodestructor {
 public:
  template <class... Args>
  explicit nodestructor(Args&&... args) {
    new (&storage_) T(std::forward<Args>(args)...);
  }
  nodestructor(const nodestructor&) = delete;
  nodestructor& operator=(const nodestructor&) = delete;
  ~nodestructor() = default;

  T* get() { return std::launder(reinterpret_cast<T*>(&storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace vornfile

#endif  // VORNFILE_NODESTRUCTOR_H_
