// Wraps an object that is built on first use and never destroyed, so that
// process-wide state runs no code when the library is loaded or unloaded.

#ifndef VORNENV_SUPPORT_PRIVATE_NODESTRUCTOR_H_
#define VORNENV_SUPPORT_PRIVATE_NODESTRUCTOR_H_

#include <new>
#include <type_traits>
#include <utility>

namespace vornsupport {

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

}  // namespace vornsupport

#endif  // VORNENV_SUPPORT_PRIVATE_NODESTRUCTOR_H_
