#!/usr/bin/python3
# A remote-desktop portal of the tests' own on the session bus, for the faults a real desktop
# does not show on demand. Session N behaves as the Nth argument says (later ones as "ok"):
# ok answers at once; silent never answers Start, as a broken portal; refuse refuses the first
# pointer call after Start; late answers the first press after 4 s; close ends the session at
# its first press, as the desktop's indicator does. Writes "ready" once it owns the portal's
# name (asking before would start the real portal), then a line per call: the method and its
# arguments after the session (the session's token for CreateSession).
import sys

from gi.repository import Gio, GLib

PATH, O = "/org/freedesktop/portal/desktop", "org.freedesktop.portal."
SIGNATURES = {"RemoteDesktop": {"CreateSession": "a{sv}", "SelectDevices": "oa{sv}",
                                "Start": "osa{sv}", "NotifyPointerMotion": "oa{sv}dd",
                                "NotifyPointerMotionAbsolute": "oa{sv}udd",
                                "NotifyPointerButton": "oa{sv}iu"},
              "ScreenCast": {"SelectSources": "oa{sv}"}, "Session": {"Close": ""},
              "Request": {"Close": ""}}
interface = {name: Gio.DBusNodeInfo.new_for_xml("<node><interface name='%s%s'>%s%s</interface></node>" % (
    O, name, "".join("<method name='%s'>%s%s</method>" % (method, "".join(
        "<arg type='%s'/>" % t for t in GLib.Variant.split_signature("(%s)" % args)),
        "<arg type='o' direction='out'/>" if "a{sv}" in args and "Notify" not in method else "")
        for method, args in methods.items()),
    "<property name='AvailableDeviceTypes' type='u' access='read'/>"
    "<property name='version' type='u' access='read'/>" * (name == "RemoteDesktop"))).interfaces[0]
    for name, methods in SIGNATURES.items()}
plans, sessions = sys.argv[1:], {}  # session path -> what it still has to do


def log(*words):
    print(*words, flush=True)


def closable(path, kind, *words):
    bus.register_object(path, interface[kind], lambda *c: (log(kind + ".Close", *words),
                                                          c[-1].return_value(None)))


def respond(invocation, sender, token, results, answer=True):
    path = f"{PATH}/request/{sender[1:].replace('.', '_')}/{token}"
    closable(path, "Request")
    invocation.return_value(GLib.Variant("(o)", (path,)))
    if answer:
        bus.emit_signal(sender, path, O + "Request", "Response",
                        GLib.Variant("(ua{sv})", (0, results)))


def fail(invocation):
    invocation.return_dbus_error("org.freedesktop.DBus.Error.Failed", "refused")


def call(connection, sender, path, iface, method, args, invocation):
    args = args.unpack()
    options = next(a for a in args if isinstance(a, dict))
    if method == "CreateSession":
        session = f"{PATH}/session/{sender[1:].replace('.', '_')}/{options['session_handle_token']}"
        sessions[session] = plans[len(sessions)] if len(sessions) < len(plans) else "ok"
        closable(session, "Session", session)
        log(method, options["session_handle_token"])
        return respond(invocation, sender, options["handle_token"],
                       {"session_handle": GLib.Variant("s", session)})
    log(method, *[a for a in args[1:] if not isinstance(a, dict)])
    plan = sessions[args[0]]
    if method == "Start":
        stream = (44, {"position": GLib.Variant("(ii)", (0, 0)),
                       "size": GLib.Variant("(ii)", (1280, 1024))})
        return respond(invocation, sender, options["handle_token"],
                       {"devices": GLib.Variant("u", 2),
                        "streams": GLib.Variant("a(ua{sv})", [stream])}, plan != "silent")
    if method.startswith("Select"):
        return respond(invocation, sender, options["handle_token"], {})
    if plan == "refuse" or (plan in ("late", "close") and args[-1] == 1):
        sessions[args[0]] = "ok"
        if plan == "late":
            return GLib.timeout_add(4000, lambda: invocation.return_value(None))
        if plan == "close":
            bus.emit_signal(sender, args[0], O + "Session", "Closed", GLib.Variant("(a{sv})", ({},)))
        return fail(invocation)
    invocation.return_value(None)


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object(PATH, interface["RemoteDesktop"], call,
                    lambda *p: GLib.Variant("u", 7 if p[-1] == "AvailableDeviceTypes" else 1))
bus.register_object(PATH, interface["ScreenCast"], call)
Gio.bus_own_name_on_connection(bus, O + "Desktop", Gio.BusNameOwnerFlags.NONE, lambda *_: log("ready"),
                               lambda *_: sys.exit("scripted_portal: the name is taken"))
GLib.MainLoop().run()
