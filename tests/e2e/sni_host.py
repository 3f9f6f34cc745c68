"""A stand-in StatusNotifierItem host (what KDE Plasma or GNOME's AppIndicator extension run).

Owns org.kde.StatusNotifierWatcher on the session bus, waits for an item to register, clicks it
once by calling Activate(x, y), and prints its title, tooltip, icon and menu whenever they change.
"""
import signal
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


def menu_items(bus, name, menu_path):
    menu = bus.get_object(name, menu_path)
    _, layout = menu.GetLayout(0, -1, ["label", "type", "visible", "enabled"], dbus_interface="com.canonical.dbusmenu")
    items = []
    for child in layout[2]:
        props = child[1]
        if props.get("type", "standard") != "separator" and props.get("visible", True):
            items.append((int(child[0]), str(props.get("label", "")).replace("_", ""), bool(props.get("enabled", True))))
    return items


def red_pixels(pixmaps):
    """Pixels of the largest ARGB32 pixmap that are clearly red: the running mark."""
    if not pixmaps:
        return 0
    width, height, data = max(pixmaps, key=lambda p: int(p[0]))
    data = bytes(data)
    return sum(1 for i in range(0, len(data), 4)
               if data[i] > 128 and data[i + 1] > 180 and data[i + 2] < 100 and data[i + 3] < 100)


def main():
    """Prints what the item shows whenever it changes; SIGUSR1 clicks the menu's start/stop entry."""
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    item_at = {}
    shown = {}

    def show(key, value):
        if shown.get(key) != value:
            shown[key] = value
            print(key, value, flush=True)

    def read():
        if not item_at:
            return True
        name, path = item_at["name"], item_at["path"]
        try:
            props = bus.get_object(name, path).GetAll("org.kde.StatusNotifierItem", dbus_interface=dbus.PROPERTIES_IFACE)
            items = menu_items(bus, name, props["Menu"])
        except dbus.DBusException:
            return True
        item_at["menu"] = props["Menu"]
        item_at["items"] = items
        tooltip = props.get("ToolTip")
        show("title", str(props.get("Title", "")))
        show("tooltip", str(tooltip[2]) if tooltip else "")
        show("iconname", str(props.get("IconName", "")) or "-")
        show("icon", "pixmap" if props.get("IconPixmap") else "none")
        show("mark", "yes" if red_pixels(props.get("IconPixmap")) > 8 else "no")
        show("menu", "|".join(label + ("" if enabled else " (disabled)") for _, label, enabled in items))
        return True

    def on_item(name, path):
        item_at.update(name=name, path=path)
        read()
        item = bus.get_object(name, path)
        x, y = (int(v) for v in sys.argv[2:4]) if len(sys.argv) > 3 else (600, 10)
        item.Activate(dbus.Int32(x), dbus.Int32(y), dbus_interface="org.kde.StatusNotifierItem")
        print("activated", flush=True)
        return False

    def click_toggle():
        for item_id, label, _ in item_at.get("items", []):
            if label == "Start Tracking" or label.startswith("Stop ("):
                menu = bus.get_object(item_at["name"], item_at["menu"])
                menu.Event(dbus.Int32(item_id), "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
                           dbus_interface="com.canonical.dbusmenu")
                print("clicked", label, flush=True)
        return True

    Watcher(bus, on_item)
    bus.request_name(WATCHER)
    print("watching", flush=True)
    GLib.timeout_add(100, read)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, click_toggle)
    GLib.timeout_add_seconds(int(sys.argv[1]) if len(sys.argv) > 1 else 30, loop.quit)
    loop.run()


main()
