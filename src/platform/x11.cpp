#include "platform/x11.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t x11Atom(xcb_connection_t* connection, const char* name, bool create)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, !create, uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply)
        atom = reply->atom;
    std::free(reply);
    return atom;
}

namespace {

// The 32-bit CARDINAL values of a root window property.
std::vector<uint32_t> rootCardinals(xcb_connection_t* connection, const char* name)
{
    std::vector<uint32_t> values;
    const xcb_atom_t property = x11Atom(connection, name, false);
    if (property == XCB_ATOM_NONE)
        return values;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, root, property, XCB_ATOM_CARDINAL, 0, 1024), nullptr);
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

} // namespace

std::optional<QRect> x11WorkArea()
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return std::nullopt;
    // One rectangle per virtual desktop.
    const std::vector<uint32_t> areas = rootCardinals(connection, "_NET_WORKAREA");
    const std::vector<uint32_t> current = rootCardinals(connection, "_NET_CURRENT_DESKTOP");
    size_t at = current.empty() ? 0 : size_t(current.front()) * 4;
    if (at + 4 > areas.size())
        at = 0;
    if (areas.size() < 4)
        return std::nullopt;
    return QRect(int(areas[at]), int(areas[at + 1]), int(areas[at + 2]), int(areas[at + 3]));
}

void x11CompleteLaunch(const QString& id)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || id.isEmpty())
        return;
    QByteArray message = "remove: ID=\"";
    for (const char c : id.toUtf8()) {
        if (c == '"' || c == '\\')
            message += '\\';
        message += c;
    }
    message += "\"";
    message += '\0'; // sent too: it ends the message
    // The message goes to the root window in pieces of 20 bytes, all from one window of ours.
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t first = x11Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t next = x11Atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype at = 0; at < message.size(); at += 20) {
        xcb_client_message_event_t piece = {};
        piece.response_type = XCB_CLIENT_MESSAGE;
        piece.format = 8;
        piece.window = sender;
        piece.type = at == 0 ? first : next;
        std::memcpy(piece.data.data8, message.constData() + at, size_t(std::min<qsizetype>(20, message.size() - at)));
        xcb_send_event(connection, false, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&piece));
    }
    xcb_destroy_window(connection, sender);
    xcb_flush(connection);
}

} // namespace platform
