"""The tray item as the panel's StatusNotifierItem host sees it: prints its title, tooltip, icon
name and menu ("label (disabled)|…"), after clicking the menu entry whose label starts with
--click, or calling Activate(x, y) with --activate X Y. Exits 1 while no item is registered."""
import re
import sys

import dbus


def drawn(text):
    """As a host draws it: the marks that set a name's direction apart show as nothing."""
    return str(text).translate({0x2068: None, 0x2069: None})


bus = dbus.SessionBus()
watcher = bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
items = watcher.Get("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems",
                    dbus_interface=dbus.PROPERTIES_IFACE)
if not items:
    sys.exit(1)
name, _, path = str(items[0]).partition("/")
item = bus.get_object(name, "/" + path)
if sys.argv[1:2] == ["--activate"]:
    item.Activate(dbus.Int32(int(sys.argv[2])), dbus.Int32(int(sys.argv[3])), dbus_interface="org.kde.StatusNotifierItem")
props = item.GetAll("org.kde.StatusNotifierItem", dbus_interface=dbus.PROPERTIES_IFACE)
menu = bus.get_object(name, props["Menu"])
_, layout = menu.GetLayout(0, -1, [], dbus_interface="com.canonical.dbusmenu")
entries = []
for child in layout[2]:
    entry_id, entry = int(child[0]), child[1]
    if entry.get("type") == "separator" or not entry.get("visible", True):
        continue
    label = re.sub("_(_?)", r"\1", drawn(entry.get("label", "")))  # "_" marks the mnemonic, "__" is "_"
    if sys.argv[1:2] == ["--click"] and label.startswith(sys.argv[2]):
        menu.Event(dbus.Int32(entry_id), "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
                   dbus_interface="com.canonical.dbusmenu")
    entries.append(label + ("" if entry.get("enabled", True) else " (disabled)"))
print("title", props["Title"])
print("tooltip", drawn(props["ToolTip"][2]))
print("iconname", props["IconName"] or "-")
print("menu", "|".join(entries))
