#include "CommandRouter.h"

namespace figurant {

bool CommandRouter::Execute(int id) {
    for (ICommandTarget* t : m_targets) {
        if (t && t->HasCommand(id)) {
            t->OnCommand(id);
            return true;
        }
    }
    return false;
}

bool CommandRouter::Handles(int id) const {
    for (const ICommandTarget* t : m_targets)
        if (t && t->HasCommand(id)) return true;
    return false;
}

CommandState CommandRouter::Update(int id) {
    CommandState state;
    for (ICommandTarget* t : m_targets)
        if (t && t->OnUpdateCommand(id, state)) return state;
    for (ICommandTarget* t : m_targets)
        if (t && t->HasCommand(id)) return state;
    state.enabled = false;
    return state;
}

} // namespace figurant
