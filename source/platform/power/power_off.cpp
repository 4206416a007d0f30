#include "platform/power/power_off.h"

#include <cstdlib>
#include <string_view>

#include <gio/gio.h>

namespace wuvo::platform {

namespace {

constexpr char kLoginService[] = "org.freedesktop.login1";
constexpr char kLoginObject[] = "/org/freedesktop/login1";
constexpr char kLoginManager[] = "org.freedesktop.login1.Manager";
// A login manager that does not answer within this time is taken as absent.
constexpr int kCallTimeoutMs = 5000;

bool PowerOffDisabled()
{
    const char* value = std::getenv("WUVO_NO_POWEROFF");
    return value != nullptr && std::string_view(value) == "1";
}

// The reply of one call to the login manager, or none.
GVariant* CallLoginManager(GDBusConnection* bus, const char* method, GVariant* arguments, const GVariantType* reply)
{
    GError* error = nullptr;
    GVariant* result = g_dbus_connection_call_sync(bus, kLoginService, kLoginObject, kLoginManager, method, arguments,
                                                   reply, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error);
    g_clear_error(&error);
    return result;
}

// "yes" only: "challenge" would stop an unattended machine at a password prompt.
bool MayPowerOff(GDBusConnection* bus)
{
    GVariant* reply = CallLoginManager(bus, "CanPowerOff", nullptr, G_VARIANT_TYPE("(s)"));
    if (reply == nullptr)
        return false;
    const char* answer = nullptr;
    g_variant_get(reply, "(&s)", &answer);
    bool allowed = std::string_view(answer) == "yes";
    g_variant_unref(reply);
    return allowed;
}

}  // namespace

PowerOffResult RequestPowerOff()
{
    if (PowerOffDisabled())
        return PowerOffResult::Disabled;
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    g_clear_error(&error);
    if (bus == nullptr)
        return PowerOffResult::Failed;
    PowerOffResult result = PowerOffResult::Refused;
    if (MayPowerOff(bus)) {
        GVariant* reply = CallLoginManager(bus, "PowerOff", g_variant_new("(b)", FALSE), nullptr);
        result = reply != nullptr ? PowerOffResult::Requested : PowerOffResult::Failed;
        if (reply != nullptr)
            g_variant_unref(reply);
    }
    g_object_unref(bus);
    return result;
}

}  // namespace wuvo::platform
