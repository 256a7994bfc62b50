// What the user would call the change the rewrites of a scope make ("eliminar JUAN PEREZ",
// "importar 250 contactos"): the undo menu shows it after "Deshacer: ". A label lives for the
// scope of its object, in the thread that made it; scopes nest, the inner one naming the change.
#pragma once

#include <string>

namespace core {

class ChangeLabel {
  public:
    explicit ChangeLabel(std::string text);
    ~ChangeLabel();
    ChangeLabel(const ChangeLabel&) = delete;
    ChangeLabel& operator=(const ChangeLabel&) = delete;

  private:
    std::string previous_;
};

// The label of the innermost scope alive in this thread; empty outside every scope.
const std::string& currentChangeLabel();

} // namespace core
