// The helper process that carries our automation calls into LibreOffice:
// Python with Debian's UNO bridge, run as "python3 -c SCRIPT". It starts
// LibreOffice headless with a profile folder of its own, answers one
// request at a time on its standard input and output (the messages of
// UnoWire.h), and closes the suite and removes the profile when the pipe
// closes.
#include "platform/win/UnoWire.h"

const char* UnoHelperScript() {
  return R"PYTHON(
import os, struct, subprocess, sys, tempfile, shutil, time
import uno

inp = sys.stdin.buffer
out = sys.stdout.buffer
sys.stdout = sys.stderr  # nothing but replies goes to the pipe

class Root(object):
    pass

OMITTED = object()  # an optional argument left out

ROOT = Root()
objects = {0: ROOT}
next_id = [1]
office = {}

def read_exact(n):
    data = b''
    while len(data) < n:
        got = inp.read(n - len(data))
        if not got:
            raise EOFError()
        data += got
    return data

class Reader(object):
    def __init__(self, data):
        self.data = data
        self.pos = 0
    def take(self, n):
        if self.pos + n > len(self.data):
            raise ValueError('short message')
        piece = self.data[self.pos:self.pos + n]
        self.pos += n
        return piece
    def u32(self):
        return struct.unpack('<I', self.take(4))[0]
    def text(self):
        return self.take(self.u32()).decode('utf-8')
    def value(self):
        tag = self.take(1)
        if tag == b'M':
            return OMITTED
        if tag == b'E' or tag == b'N':
            return None
        if tag == b'T':
            return True
        if tag == b'F':
            return False
        if tag == b'I':
            return struct.unpack('<q', self.take(8))[0]
        if tag == b'D':
            return struct.unpack('<d', self.take(8))[0]
        if tag == b'S':
            return self.text()
        if tag == b'O':
            return objects[self.u32()]
        if tag == b'A':
            return tuple(self.value() for _ in range(self.u32()))
        raise ValueError('unknown value tag')

def put_text(buf, s):
    data = s.encode('utf-8', 'surrogatepass')
    buf.append(struct.pack('<I', len(data)))
    buf.append(data)

def put_value(buf, v):
    if v is None:
        buf.append(b'N')
    elif isinstance(v, bool):
        buf.append(b'T' if v else b'F')
    elif isinstance(v, int):
        buf.append(b'I' + struct.pack('<q', v))
    elif isinstance(v, float):
        buf.append(b'D' + struct.pack('<d', v))
    elif isinstance(v, str):
        buf.append(b'S')
        put_text(buf, v)
    elif isinstance(v, (tuple, list)):
        buf.append(b'A' + struct.pack('<I', len(v)))
        for item in v:
            put_value(buf, item)
    elif isinstance(v, uno.ByteSequence):
        put_value(buf, tuple(bytearray(v.value)))
    elif isinstance(v, uno.Enum):
        put_value(buf, v.value)
    elif isinstance(v, uno.Char):
        put_value(buf, v.value)
    else:
        oid = next_id[0]
        next_id[0] += 1
        objects[oid] = v
        buf.append(b'O' + struct.pack('<I', oid))

def send(buf):
    data = b''.join(buf)
    out.write(struct.pack('<I', len(data)) + data)
    out.flush()

def start_office():
    profile = tempfile.mkdtemp(prefix='uno-profile-')
    name = 'automation%d' % os.getpid()
    proc = subprocess.Popen(
        ['soffice', '--headless', '--invisible', '--nologo', '--norestore', '--nodefault', '--nolockcheck',
         '-env:UserInstallation=' + uno.systemPathToFileUrl(profile),
         '--accept=pipe,name=%s;urp;' % name],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    office['proc'] = proc
    office['profile'] = profile
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext('com.sun.star.bridge.UnoUrlResolver', local)
    deadline = time.time() + 180
    while True:
        try:
            office['ctx'] = resolver.resolve('uno:pipe,name=%s;urp;StarOffice.ComponentContext' % name)
            return
        except Exception:
            if proc.poll() is not None:
                raise RuntimeError('LibreOffice ended while starting')
            if time.time() > deadline:
                raise RuntimeError('LibreOffice did not answer')
            time.sleep(0.1)

def stop_office():
    proc = office.get('proc')
    if proc is not None:
        try:
            proc.wait(timeout=20)
        except Exception:
            proc.kill()
            proc.wait()
    profile = office.get('profile')
    if profile:
        shutil.rmtree(profile, ignore_errors=True)

def root_member(name, args):
    ctx = office['ctx']
    smgr = ctx.ServiceManager
    low = name.lower()
    if low == 'createinstance':
        return smgr.createInstanceWithContext(args[0], ctx)
    if low == 'bridge_getstruct':
        return uno.createUnoStruct(args[0])
    return invoke(smgr, name, args)

def has_member(obj, name):
    try:
        return hasattr(obj, name)
    except Exception:  # a property that has no value yet
        return False

def find_name(obj, name):
    for candidate in (name, name[:1].lower() + name[1:]):
        if has_member(obj, candidate):
            return candidate
    low = name.lower()
    for candidate in dir(obj):
        if candidate.lower() == low:
            return candidate
    raise AttributeError('Unknown name "%s"' % name)

def invoke(obj, name, args):
    member = getattr(obj, find_name(obj, name))
    if callable(member):
        return member(*args)
    if args:
        raise AttributeError('"%s" takes no arguments' % name)
    return member

def load_graphic(url):
    ctx = office['ctx']
    provider = ctx.ServiceManager.createInstanceWithContext('com.sun.star.graphic.GraphicProvider', ctx)
    source = uno.createUnoStruct('com.sun.star.beans.PropertyValue')
    source.Name = 'URL'
    source.Value = url
    return provider.queryGraphic((source,))

def put(obj, name, value):
    # A graphic named by its URL, as scripts of older versions set it; the
    # suite now takes the graphic itself.
    if name.lower() == 'graphicurl':
        obj.setPropertyValue('Graphic', load_graphic(value))
        return
    try:
        setattr(obj, name, value)
    except Exception:
        setattr(obj, find_name(obj, name), value)

def message_of(e):
    text = getattr(e, 'Message', None) or str(e)
    return '%s: %s' % (type(e).__name__, text) if text else type(e).__name__

def serve():
    while True:
        try:
            size = struct.unpack('<I', read_exact(4))[0]
            r = Reader(read_exact(size))
        except EOFError:
            return
        op = r.take(1)
        if op == b'Q':
            return
        if op == b'R':
            oid = r.u32()
            if oid != 0:
                objects.pop(oid, None)
            continue
        buf = [b'K']
        try:
            obj = objects[r.u32()]
            name = r.text()
            args = r.value()
            if op == b'P':
                put(obj, name, args[0])
                put_value(buf, None)
            else:
                while args and args[-1] is OMITTED:
                    args = args[:-1]
                try:
                    result = root_member(name, args) if obj is ROOT else invoke(obj, name, args)
                except Exception as e:
                    # Terminating the suite ends the connection under the call.
                    if name.lower() == 'terminate' and 'Disposed' in type(e).__name__:
                        result = True
                    else:
                        raise
                put_value(buf, result)
        except Exception as e:
            buf = [b'X']
            put_text(buf, message_of(e))
        send(buf)

try:
    start_office()
except Exception as e:
    buf = [b'X']
    put_text(buf, message_of(e))
    send(buf)
    stop_office()
    sys.exit(1)
send([b'K', b'O', struct.pack('<I', 0)])
try:
    serve()
finally:
    ctx = office.get('ctx')
    proc = office.get('proc')
    if proc is not None and proc.poll() is None:
        try:
            ctx.ServiceManager.createInstanceWithContext('com.sun.star.frame.Desktop', ctx).terminate()
        except Exception:
            pass
    stop_office()
)PYTHON";
}
