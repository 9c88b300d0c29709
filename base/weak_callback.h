#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace qbase {

// Liveness token. Only the control block of a shared pointer to it matters:
// while its use count is above zero, the owner lives.
struct WeakFlag {};

// A closure that runs only while the owner of its weak flag lives; otherwise
// calling it does nothing and returns a default value (nothing, false, null).
// Copies share the weak reference. Call it only on the thread that destroys
// the owner: the liveness test takes no strong reference for the call.
template <typename Closure>
class WeakCallback {
 public:
  WeakCallback(std::weak_ptr<WeakFlag> flag, Closure closure)
      : flag_(std::move(flag)), closure_(std::move(closure)) {}

  // Widens the closure type (a lambda to Closure, say), keeping the flag;
  // implicit, so a lambda-typed callback goes where a Closure one is asked.
  template <typename Other,
            typename = std::enable_if_t<!std::is_same_v<Other, Closure> &&
                                        std::is_constructible_v<Closure, const Other&>>>
  WeakCallback(const WeakCallback<Other>& other) : flag_(other.flag_), closure_(other.closure_) {}

  template <typename... Args>
  auto operator()(Args&&... args) const
      -> decltype(std::declval<const Closure&>()(std::forward<Args>(args)...)) {
    using Result = decltype(closure_(std::forward<Args>(args)...));
    if (Expired()) {
      if constexpr (std::is_void_v<Result>) {
        return;
      } else {
        return Result();
      }
    }
    return closure_(std::forward<Args>(args)...);
  }

  bool Expired() const { return flag_.expired(); }

 private:
  template <typename>
  friend class WeakCallback;

  std::weak_ptr<WeakFlag> flag_;
  Closure closure_;
};

template <typename Closure>
WeakCallback<Closure> MakeWeakCallback(std::weak_ptr<WeakFlag> flag, Closure closure) {
  return WeakCallback<Closure>(std::move(flag), std::move(closure));
}

// Base of every object that hands out weak callbacks. The object is its
// token's only strong owner, so destroying it voids every callback taken from
// it. GetWeakFlag is called on the owner's thread.
class SupportWeakCallback {
 public:
  SupportWeakCallback() = default;
  // A copy is a new object with its own (not yet created) token.
  SupportWeakCallback(const SupportWeakCallback&) {}
  SupportWeakCallback& operator=(const SupportWeakCallback&) { return *this; }
  virtual ~SupportWeakCallback() = default;

  // Creates the token on first use (or after a cancel) and returns a weak
  // reference to it; repeated calls refer to the same token.
  std::weak_ptr<WeakFlag> GetWeakFlag();

  template <typename Closure>
  WeakCallback<Closure> ToWeakCallback(Closure closure) {
    return WeakCallback<Closure>(GetWeakFlag(), std::move(closure));
  }

 protected:
  // Holds no object: use_count() == 0 means there is no token.
  std::shared_ptr<WeakFlag> weak_flag_;
};

// A stand-alone token held as a member: Cancel voids the group of callbacks
// bound so far without destroying the object that holds it.
class WeakCallbackFlag : public SupportWeakCallback {
 public:
  // Callbacks bound before do nothing from now on; later ones work.
  void Cancel() { weak_flag_.reset(); }
};

}  // namespace qbase
