#include "host/ui/Event.h"

#include <algorithm>
#include <memory>

namespace host::ui {

int EventTarget::InstallHandler(std::vector<EventType> types, Handler handler) {
  const int id = nextId_++;
  handlers_.push_back(Entry{id, std::move(types), std::move(handler)});
  return id;
}

void EventTarget::RemoveHandler(int id) {
  std::erase_if(handlers_, [id](const Entry& e) { return e.id == id; });
}

int EventTarget::Send(Event& event) {
  // A handler may install or remove handlers (or end the window) while it runs: call from a
  // snapshot of the handler functions.
  std::vector<Handler> chain;
  for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
    const bool wanted = std::any_of(it->types.begin(), it->types.end(), [&](const EventType& t) {
      return t.first == event.eventClass && t.second == event.kind;
    });
    if (wanted) chain.push_back(it->handler);
  }
  for (Handler& h : chain) {
    const int status = h(event);
    if (status != kEventNotHandled) return status;
  }
  return kEventNotHandled;
}

EventTarget& ApplicationTarget() {
  static EventTarget* target = new EventTarget;
  return *target;
}

}  // namespace host::ui
