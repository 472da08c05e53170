#pragma once
// Assignable objects: copying goes through Assign/AssignTo so that each class
// adds its own fields when the destination is of its kind, and copying into an
// object of an unrelated kind is refused with EAssignError.

#include <stdexcept>
#include <string>

namespace tenvarra {

class EAssignError : public std::logic_error {
public:
  EAssignError(const std::string& sourceClass, const std::string& destClass);
};

class TPersistent {
public:
  TPersistent() = default;
  virtual ~TPersistent() = default;
  // Copies would slice; objects are copied with Assign or a class's Clone.
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  // Copies Source into this object through Source.AssignTo(*this).
  void Assign(const TPersistent& Source);

  // Copies this object's fields into Dest. The root refuses every destination;
  // each class copies its part and leaves the refusal to its base when Dest is
  // of no kind it knows.
  virtual void AssignTo(TPersistent& Dest) const;

  virtual const char* ClassName() const { return "TPersistent"; }
};

}  // namespace tenvarra
