#pragma once
// The records and wiring inside a Session, for code that sets up a case by hand: the test rigs,
// benchmarks and fuzzers below the front ends. The front ends never include this; they go
// through the session's commands and views.
#include "session/session.h"

namespace vornalt {

class SessionInternals {
public:
    explicit SessionInternals(Session& session) : session_(session) {}

    AppState& app() const { return session_.app_; }
    DeviceCatalogue& catalogue() const { return session_.catalogue_; }
    AppliedModel& model() const { return session_.model_; }
    MemoryImage& image() const { return session_.image_; }
    DriverState& driverstate() const { return session_.driverstate_; }
    EngineState& engine() const { return session_.engine_; }
    StopRequest& stop() const { return session_.stop_; }

    WindowServices& window() const { return session_.window_; }
    SettingsStore& settings() const { return session_.settings_; }
    Clock& clock() const { return *session_.clock_; }
    EventPump& pump() const { return session_.pump_; }
    ProgrammerPort& slot() const { return session_.port_; }
    PortDriver& driver() const { return session_.driver_; }
    Transfers& transfers() const { return session_.transfers_; }
    OperationParts parts() const { return session_.parts(); }
    LoadParts loadparts() const { return session_.loadparts(); }

private:
    Session& session_;
};

inline SessionInternals internals(Session& session) { return SessionInternals(session); }

}  // namespace vornalt
