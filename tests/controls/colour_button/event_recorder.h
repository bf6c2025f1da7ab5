#pragma once
// Records the events a colour button fires, in order.

#include "platform/com/control.h"

#include <vector>

namespace mox::prismet::test {

class EventRecorder : public com::IEventSink {
public:
    struct Fired {
        com::DISPID id;
        std::vector<com::Variant> args;
    };
    void OnEvent(com::DISPID dispid, std::vector<com::Variant>& args) override { fired.push_back({dispid, args}); }
    int Count(com::DISPID id) const {
        int n = 0;
        for (const Fired& f : fired) n += f.id == id;
        return n;
    }
    std::vector<com::DISPID> Ids() const {
        std::vector<com::DISPID> ids;
        for (const Fired& f : fired) ids.push_back(f.id);
        return ids;
    }
    std::vector<Fired> fired;
};

}  // namespace mox::prismet::test
