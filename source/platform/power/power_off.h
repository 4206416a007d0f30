#pragma once

namespace wuvo::platform {

enum class PowerOffResult {
    Requested,  // the system is powering off
    Refused,    // the system does not let this user power off now
    Disabled,   // WUVO_NO_POWEROFF=1: tests and CI never power off
    Failed,     // no system bus or no login manager
};

// Asks systemd-logind over the system bus whether this session may power the
// machine off without a password prompt, and if so to do it.
PowerOffResult RequestPowerOff();

}  // namespace wuvo::platform
