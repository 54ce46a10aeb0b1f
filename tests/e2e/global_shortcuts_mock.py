'''A desktop portal with only the GlobalShortcuts interface, for python3-dbusmock
(python3 -m dbusmock --template this-file). It answers each request through
a Request object at the path the portal documents, built from the caller's
unique name and its handle_token, and remembers what was bound. Two test
methods: BoundShortcuts tells what was bound ("id|description|trigger" per
shortcut, ";" between), Press sends Activated for the bound session.
'''

import dbus
import dbusmock
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.GlobalShortcuts'
SYSTEM_BUS = False

REQUEST_IFACE = 'org.freedesktop.portal.Request'
TEST_IFACE = 'io.github.video_image_capture.TestPortal'
# The only caller these tests have: the program, found by the name it owns.
CALLER = 'io.github.video_image_capture'


def caller_path(self, kind, token):
    sender = self.connection.get_name_owner(CALLER)[1:].replace('.', '_')
    return f'{MAIN_OBJ}/{kind}/{sender}/{token}'


def answer(self, options, results):
    '''Makes the Request object and sends its Response once the call has
    returned, as a portal does.'''
    path = caller_path(self, 'request', options['handle_token'])
    if path not in dbusmock.mockobject.objects:
        self.AddObject(path, REQUEST_IFACE, {}, [])

    def respond():
        dbusmock.mockobject.objects[path].EmitSignal(
            REQUEST_IFACE, 'Response', 'ua{sv}', [dbus.UInt32(0), dbus.Dictionary(results, signature='sv')])
        return False

    GLib.idle_add(respond)
    return dbus.ObjectPath(path)


def create_session(self, options):
    self.session = caller_path(self, 'session', options['session_handle_token'])
    return answer(self, options, {'session_handle': dbus.String(self.session)})


def bind_shortcuts(self, session, shortcuts, parent_window, options):
    self.bound = [(str(i), str(p.get('description', '')), str(p.get('preferred_trigger', ''))) for i, p in shortcuts]
    self.bound_session = str(session)
    return answer(self, options, {'shortcuts': dbus.Array(shortcuts, signature='(sa{sv})')})


def bound_shortcuts(self):
    return ';'.join('|'.join(entry) for entry in getattr(self, 'bound', []))


def press(self):
    self.EmitSignal(MAIN_IFACE, 'Activated', 'osta{sv}',
                    [dbus.ObjectPath(self.bound_session), self.bound[0][0], dbus.UInt64(0),
                     dbus.Dictionary({}, signature='sv')])


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('CreateSession', 'a{sv}', 'o', create_session),
        ('BindShortcuts', 'oa(sa{sv})sa{sv}', 'o', bind_shortcuts),
    ])
    mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(1)})
    mock.AddMethods('org.freedesktop.host.portal.Registry', [('Register', 'sa{sv}', '', '')])
    mock.AddMethods(TEST_IFACE, [('BoundShortcuts', '', 's', bound_shortcuts), ('Press', '', '', press)])
