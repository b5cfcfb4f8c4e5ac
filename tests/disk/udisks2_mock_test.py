#!/usr/bin/python3
"""Raw access through UDisks2 for a user who may not open the medium.

A private system bus (any user may connect) carries a mock UDisks2 that hands
out descriptors of media only root may open: a root-only (0600) disk image and
a loop device over it. tarvolin-cli, run as user nobody, must scan and save
them through those descriptors and get what root gets by opening the paths;
UDisks2 must be asked once per run, not once per saved file. A mock that
refuses authorisation gives the disconnected failure and a clear text.

The wizard's side runs as nobody too, when its tests are built (TESTS_UI):
its thumbnails and preview of the same media through the one medium UDisks2
handed over.

Usage: udisks2_mock_test.py TARVOLIN_CLI TARVOLIN_MKMEDIA [TESTS_UI]
Exit status 77 (skipped) when the test cannot run here, with the reason.
"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
NOBODY = 65534
BLOCK = '/org/freedesktop/UDisks2/block_devices/'


def skip(why):
    print('SKIPPED: ' + why)
    sys.exit(SKIP)


def fail(why):
    print('FAILED: ' + why)
    sys.exit(1)


def check(cond, why):
    if not cond:
        fail(why)


if len(sys.argv) not in (3, 4):
    fail('usage: udisks2_mock_test.py TARVOLIN_CLI TARVOLIN_MKMEDIA [TESTS_UI]')
CLI, MKMEDIA = sys.argv[1], sys.argv[2]
TESTS_UI = sys.argv[3] if len(sys.argv) == 4 else None
if os.geteuid() != 0:
    skip('needs root (to make media only root may open, and to run as nobody)')
for tool in ('dbus-daemon', 'setpriv'):
    if shutil.which(tool) is None:
        skip(tool + ' is not installed')
try:
    import dbus
    import dbusmock  # noqa: F401  (the mock service runs as python3 -m dbusmock)
except ImportError as e:
    skip('python3-dbus / python3-dbusmock missing: %s' % e)


def tree_digest(folder):
    """Relative path -> SHA-256 of every file below folder."""
    out = {}
    for base, _, files in os.walk(folder):
        for f in files:
            p = os.path.join(base, f)
            with open(p, 'rb') as fh:
                out[os.path.relpath(p, folder)] = hashlib.sha256(fh.read()).hexdigest()
    return out


def job_folder(folder):
    entries = [e for e in os.listdir(folder) if e.startswith('Tarvolin ')]
    check(len(entries) == 1, 'expected one job folder in %s, found %s' % (folder, entries))
    return os.path.join(folder, entries[0])


class Fixture:
    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix='tvn-udisks2-')
        os.chmod(self.dir, 0o755)  # nobody reaches the socket and sees the media
        self.procs = []
        self.loop = None

    def start_bus(self):
        self.socket = os.path.join(self.dir, 'system_bus_socket')
        config = os.path.join(self.dir, 'bus.conf')
        with open(config, 'w') as f:
            f.write('''<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
''' % self.socket)
        self.procs.append(subprocess.Popen(['dbus-daemon', '--config-file=' + config, '--nofork'],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        for _ in range(100):
            if os.path.exists(self.socket):
                break
            time.sleep(0.05)
        check(os.path.exists(self.socket), 'the private bus did not start')
        os.chmod(self.socket, 0o777)
        self.address = 'unix:path=' + self.socket
        os.environ['DBUS_SYSTEM_BUS_ADDRESS'] = self.address

    def start_mock(self, media):
        """media: device path -> (object name, code run for OpenForBackup)."""
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address)
        self.procs.append(subprocess.Popen(
            [sys.executable if sys.executable.startswith('/usr/') else '/usr/bin/python3', '-m', 'dbusmock',
             '--system', 'org.freedesktop.UDisks2', '/org/freedesktop/UDisks2/Manager',
             'org.freedesktop.UDisks2.Manager'], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        bus = dbus.bus.BusConnection(self.address)
        for _ in range(100):
            if bus.name_has_owner('org.freedesktop.UDisks2'):
                break
            time.sleep(0.05)
        check(bus.name_has_owner('org.freedesktop.UDisks2'), 'the mock UDisks2 did not start')
        manager = bus.get_object('org.freedesktop.UDisks2', '/org/freedesktop/UDisks2/Manager')
        mock = dbus.Interface(manager, 'org.freedesktop.DBus.Mock')
        table = {path: BLOCK + name for path, (name, _) in media.items()}
        mock.AddMethod('org.freedesktop.UDisks2.Manager', 'ResolveDevice', 'a{sv}a{sv}', 'ao',
                       'table = %r\n'
                       'p = str(args[0].get("path", ""))\n'
                       'ret = [dbus.ObjectPath(table[p])] if p in table else []\n' % table)
        self.blocks = {}
        for path, (name, backup) in media.items():
            direct = ('import os\n'
                      'if str(args[0]) != "r": raise dbus.exceptions.DBusException("read only", '
                      'name="org.freedesktop.UDisks2.Error.Failed")\n'
                      'fd = os.open(%r, os.O_RDONLY | os.O_CLOEXEC | int(args[1].get("flags", 0)))\n'
                      'ret = dbus.types.UnixFd(fd)\n'
                      'os.close(fd)\n' % path)
            mock.AddObject(BLOCK + name, 'org.freedesktop.UDisks2.Block', {},
                           [('OpenForBackup', 'a{sv}', 'h', backup),
                            ('OpenDevice', 'sa{sv}', 'h', direct)])
            self.blocks[path] = dbus.Interface(bus.get_object('org.freedesktop.UDisks2', BLOCK + name),
                                               'org.freedesktop.DBus.Mock')
        self.bus = bus

    def calls(self, path, method):
        return [c for c in self.blocks[path].GetCalls() if c[1] == method]

    def clear_calls(self, path):
        self.blocks[path].ClearCalls()

    def close(self):
        for p in reversed(self.procs):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        if self.loop:
            subprocess.run(['losetup', '-d', self.loop], check=False)
        shutil.rmtree(self.dir, ignore_errors=True)


def grant(path):
    return ('import os\n'
            'fd = os.open(%r, os.O_RDONLY | os.O_CLOEXEC)\n'
            'ret = dbus.types.UnixFd(fd)\n'
            'os.close(fd)\n' % path)


REFUSE = ('raise dbus.exceptions.DBusException("Not authorized to perform operation", '
          'name="org.freedesktop.UDisks2.Error.NotAuthorized")\n')


def run(fx, args, nobody):
    env = {'PATH': '/usr/bin:/bin', 'DBUS_SYSTEM_BUS_ADDRESS': fx.address, 'HOME': fx.dir,
           'ASAN_OPTIONS': os.environ.get('ASAN_OPTIONS', '')}
    cmd = [CLI, '--quiet'] + args
    if nobody:
        cmd = ['setpriv', '--reuid=%d' % NOBODY, '--regid=%d' % NOBODY, '--clear-groups'] + cmd
    return subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=300)


def scan_and_save(fx, medium, label):
    """Scan and save medium as root (by path) and as nobody (through the mock)."""
    results = {}
    for who in ('root', 'nobody'):
        out = os.path.join(fx.dir, '%s-%s' % (label, who))
        os.mkdir(out)
        os.chmod(out, 0o777)
        info = os.path.join(out, 'scan-info.bin')
        scan = run(fx, ['scan', medium, '--types', 'all', '--json', '--save-scan-info', info], who == 'nobody')
        check(scan.returncode == 0, '%s: scan as %s failed: %s' % (label, who, scan.stderr))
        if who == 'nobody':
            fx.clear_calls(medium)
        save = run(fx, ['save', medium, '--scan-info', info, '--to', out], who == 'nobody')
        check(save.returncode == 0, '%s: save as %s failed: %s' % (label, who, save.stderr))
        if who == 'nobody':
            # One request for the whole save, however many files it wrote.
            n = len(fx.calls(medium, 'OpenForBackup'))
            check(n == 1, '%s: UDisks2 was asked %d times during one save' % (label, n))
        # The preview copy reads the medium the same way: one request again.
        jpeg = re.search(r'file# [0-9]+\.JPG', scan.stdout)
        check(jpeg is not None, '%s: no JPEG found' % label)
        png = os.path.join(out, 'preview.png')
        decoder = os.path.join(os.path.dirname(CLI), '..', 'preview', 'tarvolin-decode')
        if not os.access(decoder, os.X_OK):
            results[who] = (json.loads(scan.stdout), tree_digest(job_folder(out)), None)
            print('%s: no decoder built (tarvolin-decode): the preview is not tried' % label)
            continue
        if who == 'nobody':
            fx.clear_calls(medium)
        preview = run(fx, ['preview', medium, '--scan-info', info, '--file', 'JPG/' + jpeg.group(0),
                           '--to', png], who == 'nobody')
        check(preview.returncode == 0, '%s: preview as %s failed: %s' % (label, who, preview.stderr))
        if who == 'nobody':
            n = len(fx.calls(medium, 'OpenForBackup'))
            check(n == 1, '%s: UDisks2 was asked %d times during one preview' % (label, n))
        with open(png, 'rb') as fh:
            picture = hashlib.sha256(fh.read()).hexdigest()
        os.unlink(png)
        results[who] = (json.loads(scan.stdout), tree_digest(job_folder(out)), picture)
    wizard(fx, medium, os.path.join(fx.dir, '%s-nobody' % label, 'scan-info.bin'), label)
    check(results['root'][0] == results['nobody'][0], '%s: the catalogues differ' % label)
    check(len(results['root'][1]) > 10, '%s: too few files saved: %d' % (label, len(results['root'][1])))
    check(results['root'][1] == results['nobody'][1], '%s: the saved files differ' % label)
    check(results['root'][2] == results['nobody'][2], '%s: the previews differ' % label)
    print('%s: nobody scanned, saved and previewed the same %d files as root' % (label, len(results['root'][1])))


def wizard(fx, medium, info, label):
    """The wizard's thumbnails and preview of medium as nobody (a test of tests_ui)."""
    if TESTS_UI is None:
        print('%s: the wizard is not built: its thumbnails and preview are not tried' % label)
        return
    env = {'PATH': '/usr/bin:/bin', 'DBUS_SYSTEM_BUS_ADDRESS': fx.address, 'HOME': fx.dir,
           'QT_QPA_PLATFORM': 'offscreen', 'TVN_NOBODY_MEDIUM': medium, 'TVN_NOBODY_SCAN_INFO': info}
    for name in ('ASAN_OPTIONS', 'UBSAN_OPTIONS', 'LSAN_OPTIONS', 'TSAN_OPTIONS'):
        if name in os.environ:
            env[name] = os.environ[name]
    cmd = ['setpriv', '--reuid=%d' % NOBODY, '--regid=%d' % NOBODY, '--clear-groups', TESTS_UI,
           '--gtest_filter=NobodyWizard.*']
    fx.clear_calls(medium)
    try:
        got = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=150)
    except subprocess.TimeoutExpired as e:
        fail('%s: the wizard as nobody did not finish (a message box waiting?):\n%s' % (label, e.stdout))
    check(got.returncode == 0 and '[  PASSED  ] 1 test' in got.stdout,
          '%s: the wizard as nobody failed:\n%s\n%s' % (label, got.stdout[-3000:], got.stderr[-3000:]))
    n = len(fx.calls(medium, 'OpenForBackup'))
    check(n == 1, '%s: UDisks2 was asked %d times by one wizard' % (label, n))
    print('%s: the wizard as nobody showed thumbnails and a preview through one UDisks2 request' % label)


def main():
    fx = Fixture()
    try:
        image = os.path.join(fx.dir, 'card.img')
        refused = os.path.join(fx.dir, 'refused.img')
        subprocess.run([MKMEDIA, 'sample', image], check=True, stdout=subprocess.DEVNULL)
        shutil.copyfile(image, refused)
        for p in (image, refused):
            os.chmod(p, 0o600)
        out = subprocess.run(['losetup', '-f', '--show', image], capture_output=True, text=True)
        if out.returncode == 0 and out.stdout.startswith('/dev/'):
            fx.loop = out.stdout.strip()
            os.chmod(fx.loop, 0o600)  # as udev leaves it for a user outside "disk"

        fx.start_bus()
        media = {image: ('card_2eimg', grant(image)), refused: ('refused', REFUSE)}
        if fx.loop:
            media[fx.loop] = (os.path.basename(fx.loop), grant(fx.loop))
        fx.start_mock(media)

        # nobody really may not open them by path.
        probe = subprocess.run(['setpriv', '--reuid=%d' % NOBODY, '--regid=%d' % NOBODY, '--clear-groups',
                                'head', '-c', '1', image], capture_output=True)
        check(probe.returncode != 0, 'nobody can read the root-only image by path')

        access = run(fx, ['drives', '--json'], True)
        check(access.returncode == 0, 'drives as nobody failed: ' + access.stderr)
        check(json.loads(access.stdout)['raw_access'] == 'udisks2',
              'raw access not through UDisks2: ' + access.stdout)

        scan_and_save(fx, image, 'image')
        if fx.loop:
            scan_and_save(fx, fx.loop, 'loop')
            direct = fx.calls(fx.loop, 'OpenDevice')
            check(direct and int(direct[-1][2][1].get('flags', 0)) & os.O_DIRECT,
                  'no direct descriptor was asked for the loop device')
        else:
            print('loop: skipped, losetup cannot attach a loop device here')

        denied = run(fx, ['probe', refused], True)
        check(denied.returncode == 1, 'a refused medium did not fail: %d' % denied.returncode)
        text = denied.stdout + denied.stderr
        for want in ('Removable drive is disconnected', 'cannot open ' + refused + ': Permission denied',
                     'not granted', 'Not authorized'):
            check(want in text, 'missing "%s" in the refusal: %s' % (want, text))
        print('refused: ' + ' | '.join(line for line in denied.stderr.splitlines() if line))

        # Without UDisks2 on the bus the user is told how to get access.
        fx.address = 'unix:path=' + os.path.join(fx.dir, 'no-such-socket')
        none = run(fx, ['drives', '--json'], True)
        got = json.loads(none.stdout)
        check(got['raw_access'] == 'none' and 'disk' in got.get('advice', ''),
              'no advice without UDisks2: ' + none.stdout)
    finally:
        fx.close()
    print('PASSED')


main()
