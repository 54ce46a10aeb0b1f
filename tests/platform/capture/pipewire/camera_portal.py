'''A Camera portal for tests: grants or refuses access (parameter "grant"),
and hands over a connection to the PipeWire daemon of XDG_RUNTIME_DIR.'''

import os
import socket

import dbus
from gi.repository import GLib
from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Camera'
SYSTEM_BUS = False
REQUEST_IFACE = 'org.freedesktop.portal.Request'


def load(mock, parameters):
    grant = parameters.get('grant', True)
    mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(1), 'IsCameraPresent': True})

    def access_camera(self, options):
        # The mock cannot see the caller's bus name, so it makes up its own
        # request path, as older portals did, and answers a moment later.
        path = '/org/freedesktop/portal/desktop/request/mock/' + str(options.get('handle_token', 't'))
        self.AddObject(path, REQUEST_IFACE, {}, [])

        def answer():
            mockobject.objects[path].EmitSignal(REQUEST_IFACE, 'Response', 'ua{sv}',
                                                [dbus.UInt32(0 if grant else 1),
                                                 dbus.Dictionary({}, signature='sv')])
            return False
        GLib.timeout_add(1000, answer)
        return dbus.ObjectPath(path)

    def open_remote(self, options):
        if not grant:
            raise dbus.exceptions.DBusException('not allowed', name='org.freedesktop.portal.Error.NotAllowed')
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.connect(os.path.join(os.environ['XDG_RUNTIME_DIR'], 'pipewire-0'))
        fd = dbus.types.UnixFd(s)
        s.close()
        return fd

    mock.AddMethod(MAIN_IFACE, 'AccessCamera', 'a{sv}', 'o', access_camera)
    mock.AddMethod(MAIN_IFACE, 'OpenPipeWireRemote', 'a{sv}', 'h', open_remote)
