// Components: objects with an owner. An owner frees the components it still owns when it is
// destroyed; a component freed earlier leaves its owner's list first. Events are std::function
// members that may be empty; every caller checks before firing one.
#pragma once

#include <vector>

class TObject {
 public:
  virtual ~TObject() = default;
};

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }

 private:
  TComponent* owner_;
  std::vector<TComponent*> owned_;
};
