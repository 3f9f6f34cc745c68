"""A stand-in StatusNotifierItem host (what KDE Plasma or GNOME's AppIndicator extension run).

Owns org.kde.StatusNotifierWatcher on the session bus, waits for an item to register, prints
its title, tooltip and menu entries, then clicks it by calling Activate, once or as asked.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
</node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, on_item):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []
        self.on_item = on_item

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = service if service.startswith("/") else "/StatusNotifierItem"
        name = sender if service.startswith("/") else service
        self.items.append(name + path)
        self.StatusNotifierItemRegistered(name + path)
        GLib.idle_add(self.on_item, name, path)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    # Qt reads IsStatusNotifierHostRegistered through introspection, so the properties must be in it.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
        }


def menu_labels(bus, name, menu_path):
    menu = bus.get_object(name, menu_path)
    _, layout = menu.GetLayout(0, -1, ["label", "type", "visible"], dbus_interface="com.canonical.dbusmenu")
    labels = []
    for child in layout[2]:
        props = child[1]
        if props.get("type", "standard") != "separator" and props.get("visible", True):
            labels.append(str(props.get("label", "")).replace("_", ""))
    return labels


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()

    def on_item(name, path):
        item = bus.get_object(name, path)
        props = item.GetAll("org.kde.StatusNotifierItem", dbus_interface=dbus.PROPERTIES_IFACE)
        tooltip = props.get("ToolTip")
        print("title", str(props.get("Title", "")), flush=True)
        print("tooltip", str(tooltip[2]) if tooltip else "", flush=True)
        print("icon", "pixmap" if props.get("IconPixmap") else str(props.get("IconName", "")), flush=True)
        print("menu", "|".join(menu_labels(bus, name, props["Menu"])), flush=True)
        item.Activate(dbus.Int32(600), dbus.Int32(10), dbus_interface="org.kde.StatusNotifierItem")
        print("activated", flush=True)
        return False

    Watcher(bus, on_item)
    bus.request_name(WATCHER)
    print("watching", flush=True)
    GLib.timeout_add_seconds(int(sys.argv[1]) if len(sys.argv) > 1 else 30, loop.quit)
    loop.run()


main()
