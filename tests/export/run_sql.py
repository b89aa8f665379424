#!/usr/bin/python3
"""Runs an SQL script in a database and prints the rows of one table as a
JSON list of lists, every value as text (numbers as '%.15g') or null:

    run_sql.py sqlite SCRIPT CODEC TABLE
    run_sql.py postgres SCRIPT CODEC TABLE

The sqlite form uses Python's sqlite3 module. The postgres form starts a
throw-away PostgreSQL server on a Unix socket in a temporary folder (as the
postgres user when run as root), runs the script with psql, reads the table
and stops the server; it prints "SKIP: reason" when no server can start.
Errors of the script end the run with its message on stderr and status 1."""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile


def text(value):
    if value is None:
        return None
    if isinstance(value, bool):
        return 'true' if value else 'false'
    if isinstance(value, (int, float)):
        return '%.15g' % value
    return str(value)


def run_sqlite(script, table):
    import sqlite3
    con = sqlite3.connect(':memory:')
    con.executescript(script)
    rows = con.execute('SELECT * FROM "%s" ORDER BY 1' % table).fetchall()
    return [[text(v) for v in row] for row in rows]


def run_postgres(script, table):
    bins = sorted(glob.glob('/usr/lib/postgresql/*/bin'))
    if not bins:
        print('SKIP: PostgreSQL is not installed')
        sys.exit(0)
    bin_dir = bins[-1]
    root = tempfile.mkdtemp(prefix='sqltest_')
    data, sock = os.path.join(root, 'data'), os.path.join(root, 'sock')
    os.mkdir(sock)
    prefix = []
    if os.geteuid() == 0:
        shutil.chown(root, 'postgres')
        shutil.chown(sock, 'postgres')
        prefix = ['runuser', '-u', 'postgres', '--']
    env = dict(os.environ, LC_ALL='C.UTF-8')

    def run(args, **kw):
        return subprocess.run(prefix + args, env=env, capture_output=True, **kw)

    started = False
    try:
        r = run([bin_dir + '/initdb', '-A', 'trust', '-U', 'postgres', '-E', 'UTF8', '-D', data])
        if r.returncode != 0:
            print('SKIP: initdb failed: ' + r.stderr.decode(errors='replace').strip())
            sys.exit(0)
        r = run([bin_dir + '/pg_ctl', '-D', data, '-w', '-l', os.path.join(root, 'log'), '-o',
                 "-k %s -c listen_addresses='' -p 54329" % sock, 'start'])
        if r.returncode != 0:
            print('SKIP: the server did not start: ' + r.stderr.decode(errors='replace').strip())
            sys.exit(0)
        started = True
        psql = [bin_dir + '/psql', '-h', sock, '-p', '54329', '-U', 'postgres', '-d', 'postgres', '-X', '-q',
                '-v', 'ON_ERROR_STOP=1']
        r = run(psql, input=script.encode('utf-8'))
        if r.returncode != 0:
            sys.stderr.write(r.stderr.decode(errors='replace'))
            sys.exit(1)
        query = 'SELECT json_agg(t) FROM (SELECT * FROM "%s" ORDER BY 1) t' % table
        r = run(psql + ['-At', '-c', query])
        if r.returncode != 0:
            sys.stderr.write(r.stderr.decode(errors='replace'))
            sys.exit(1)
        objects = json.loads(r.stdout.decode('utf-8'), object_pairs_hook=lambda pairs: [v for _, v in pairs])
        return [[text(v) for v in row] for row in objects or []]
    finally:
        if started:
            run([bin_dir + '/pg_ctl', '-D', data, '-w', '-m', 'immediate', 'stop'])
        shutil.rmtree(root, ignore_errors=True)


engine, path, codec, table = sys.argv[1:5]
with open(path, encoding=codec, newline='') as f:
    script = f.read()
try:
    rows = run_sqlite(script, table) if engine == 'sqlite' else run_postgres(script, table)
except Exception as e:  # the script's own error, for the test's message
    sys.stderr.write('%s: %s\n' % (type(e).__name__, e))
    sys.exit(1)
print(json.dumps(rows))
