"""One frame of mutter's output through its screen cast, written as raw RGB to the file named by the
first argument. Run by harness.Mutter.output_screenshot on Debian's python3 (for the GObject bindings),
inside the compositor's D-Bus session, with PipeWire running."""
import subprocess
import sys

from gi.repository import Gio, GLib

SERVICE = "org.gnome.Mutter.ScreenCast"


def main(path):
    # the session lives as long as this connection
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def call(object_path, interface, method, args, reply):
        return bus.call_sync(SERVICE, object_path, interface, method, args, GLib.VariantType(reply),
                             Gio.DBusCallFlags.NONE, 10000, None).unpack()

    session, = call("/org/gnome/Mutter/ScreenCast", SERVICE, "CreateSession", GLib.Variant("(a{sv})", ({},)), "(o)")
    stream, = call(session, SERVICE + ".Session", "RecordMonitor", GLib.Variant("(sa{sv})", ("", {})), "(o)")
    nodes = []
    loop = GLib.MainLoop()

    def added(_bus, _sender, _path, _interface, _signal, parameters):
        nodes.append(parameters.unpack()[0])
        loop.quit()

    bus.signal_subscribe(SERVICE, SERVICE + ".Stream", "PipeWireStreamAdded", stream, None,
                         Gio.DBusSignalFlags.NONE, added)
    call(session, SERVICE + ".Session", "Start", None, "()")
    GLib.timeout_add_seconds(20, loop.quit)
    loop.run()
    if not nodes:
        sys.exit("mutter announced no PipeWire stream")
    subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % nodes[0], "num-buffers=1", "!", "videoconvert",
                    "!", "video/x-raw,format=RGB", "!", "filesink", "location=" + path], check=True, timeout=60)
    call(session, SERVICE + ".Session", "Stop", None, "()")


if __name__ == "__main__":
    main(sys.argv[1])
