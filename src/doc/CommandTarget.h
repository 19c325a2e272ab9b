#pragma once
// Commands are identified by 16-bit ids shared by menus, toolbar and accelerators. The frame
// routes each command to the view, then the document, the frame and the application; the first
// target that handles it runs it. When a menu opens, each item asks the same route for its state.

#include <string>

namespace figurant {

struct CommandState {
    bool enabled = true;
    bool checked = false;
    // A menu text that depends on the state ("&Undo Turn Left Forearm\tCtrl+Z"); empty keeps the
    // item's own.
    std::string text;
};

class ICommandTarget {
  public:
    virtual ~ICommandTarget() = default;
    // True when this target has a handler for the command.
    virtual bool HasCommand(int id) const = 0;
    virtual void OnCommand(int id) = 0;
    // True when this target has an update handler for the command; it then sets the state.
    virtual bool OnUpdateCommand(int /*id*/, CommandState& /*state*/) { return false; }
};

} // namespace figurant
