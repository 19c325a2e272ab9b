#pragma once
// Routes commands by id to the first target that handles them: view, document, frame, application.
#include "CommandTarget.h"

#include <vector>

namespace figurant {

class CommandRouter {
  public:
    void SetTargets(std::vector<ICommandTarget*> targets) { m_targets = std::move(targets); }
    // True when some target ran the command.
    bool Execute(int id);
    // True when some target has a handler for the command.
    bool Handles(int id) const;
    // The state of a menu item: the first update handler on the route decides; otherwise the item
    // is enabled when some target handles the command, and greyed when none does.
    CommandState Update(int id);

  private:
    std::vector<ICommandTarget*> m_targets;
};

} // namespace figurant
