#!/usr/bin/python3
# A remote-desktop portal of the tests' own on the session bus, for the faults a real desktop
# does not show on demand. Session N behaves as the Nth argument says (later ones as "ok"):
#   ok       answers every call at once
#   silent   never answers Start, as a broken portal
#   refuse   refuses the first pointer call after Start
#   late     answers the first press 4 s late, having carried it out only then
#   close    ends the session at its first press, as the desktop's indicator does
# Writes "ready" once it owns the portal's name (asking for it before would start the real
# portal on the bus), then each call it gets on a line: the method, then its arguments after
# the session (a session's token for CreateSession).
import sys

from gi.repository import Gio, GLib

BUS, PATH = "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop"
RD, SC = "org.freedesktop.portal.RemoteDesktop", "org.freedesktop.portal.ScreenCast"
XML = f"""<node>
<interface name="{RD}"><property name="AvailableDeviceTypes" type="u" access="read"/>
<property name="version" type="u" access="read"/>
<method name="CreateSession"><arg type="a{{sv}}"/><arg type="o" direction="out"/></method>
<method name="SelectDevices"><arg type="o"/><arg type="a{{sv}}"/><arg type="o" direction="out"/></method>
<method name="Start"><arg type="o"/><arg type="s"/><arg type="a{{sv}}"/><arg type="o" direction="out"/></method>
<method name="NotifyPointerMotion"><arg type="o"/><arg type="a{{sv}}"/><arg type="d"/><arg type="d"/></method>
<method name="NotifyPointerMotionAbsolute"><arg type="o"/><arg type="a{{sv}}"/><arg type="u"/><arg type="d"/><arg type="d"/></method>
<method name="NotifyPointerButton"><arg type="o"/><arg type="a{{sv}}"/><arg type="i"/><arg type="u"/></method></interface>
<interface name="{SC}"><method name="SelectSources"><arg type="o"/><arg type="a{{sv}}"/><arg type="o" direction="out"/></method></interface>
<interface name="org.freedesktop.portal.Session"><method name="Close"/></interface>
<interface name="org.freedesktop.portal.Request"><method name="Close"/></interface></node>"""
nodes = Gio.DBusNodeInfo.new_for_xml(XML)
interface = {i.name: i for i in nodes.interfaces}
plans, sessions = sys.argv[1:], {}  # session path -> what it still has to do


def log(*words):
    print(*words, flush=True)


def export(path, name, handler):
    return bus.register_object(path, interface[name], handler, None, None)


def respond(invocation, sender, token, results, response=0):
    path = f"{PATH}/request/{sender[1:].replace('.', '_')}/{token}"
    export(path, "org.freedesktop.portal.Request",
           lambda *c: (log("Request.Close"), c[-1].return_value(None)))
    invocation.return_value(GLib.Variant("(o)", (path,)))
    if response is not None:
        bus.emit_signal(sender, path, "org.freedesktop.portal.Request", "Response",
                        GLib.Variant("(ua{sv})", (response, results)))


def call(connection, sender, path, iface, method, args, invocation):
    args = args.unpack()
    options = next((a for a in args if isinstance(a, dict)), {})
    if method == "CreateSession":
        token = options["session_handle_token"]
        session = f"{PATH}/session/{sender[1:].replace('.', '_')}/{token}"
        sessions[session] = plans[len(sessions)] if len(sessions) < len(plans) else "ok"
        export(session, "org.freedesktop.portal.Session",
               lambda *c: (log("Session.Close", c[2]), c[-1].return_value(None)))
        log(method, token)
        return respond(invocation, sender, options["handle_token"],
                       {"session_handle": GLib.Variant("s", session)})
    log(method, *[a for a in args[1:] if not isinstance(a, dict)])
    plan = sessions.get(args[0], "ok")
    if method == "Start":
        streams = GLib.Variant("a(ua{sv})", [(44, {"position": GLib.Variant("(ii)", (0, 0)),
                                                   "size": GLib.Variant("(ii)", (1280, 1024))})])
        results = {"devices": GLib.Variant("u", 2), "streams": streams}
        return respond(invocation, sender, options["handle_token"], results,
                       None if plan == "silent" else 0)
    if method.startswith("Notify") and plan == "refuse":
        sessions[args[0]] = "ok"
        return invocation.return_dbus_error("org.freedesktop.DBus.Error.Failed", "refused")
    if method == "NotifyPointerButton" and args[-1] == 1 and plan in ("late", "close"):
        sessions[args[0]] = "ok"
        if plan == "close":
            bus.emit_signal(sender, args[0], "org.freedesktop.portal.Session", "Closed",
                            GLib.Variant("(a{sv})", ({},)))
            return invocation.return_dbus_error("org.freedesktop.DBus.Error.Failed", "closed")
        GLib.timeout_add(4000, lambda: (log("carried out late"), invocation.return_value(None)))
        return
    if method in ("SelectDevices", "SelectSources"):
        return respond(invocation, sender, options["handle_token"], {})
    invocation.return_value(None)


def get_property(connection, sender, path, iface, name):
    return GLib.Variant("u", 7 if name == "AvailableDeviceTypes" else 1)


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object(PATH, interface[RD], call, get_property, None)
bus.register_object(PATH, interface[SC], call, None, None)
Gio.bus_own_name_on_connection(bus, BUS, Gio.BusNameOwnerFlags.NONE, lambda *_: log("ready"),
                               lambda *_: sys.exit("scripted_portal: the name is taken"))
GLib.MainLoop().run()
