#!/usr/bin/env python3
"""The floor of an Anki package export: the same rows read from the study
database with Python's sqlite3, written as notes and cards into a collection
of the same tables (schema.sql, taken from the program's own package), and
zipped with zipfile at the same deflate level.
   usage: apkg_floor.py kelp.mdb schema.sql out.apkg"""
import hashlib
import os
import sqlite3
import sys
import tempfile
import zipfile

source, schema, out = sys.argv[1:4]
work = tempfile.mkdtemp()
collection = os.path.join(work, "collection.anki2")
db = sqlite3.connect(collection)
db.executescript("pragma journal_mode = off; pragma synchronous = off;")
db.executescript(open(schema).read())
db.execute("begin")
db.execute("insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}', '{}', '{}', '{}', '{}')")
rows = sqlite3.connect(source).execute(
    "select zb.xh, fb.da, fb.lx2 from fb join zb on zb.xh = fb.xh order by fb.xh, fb.xh1")
note = 1
for group, word, meaning in rows:
    note += 1
    fields = word + "\x1f" + "\x1f" + (meaning or "")
    guid = hashlib.sha1(("%s\x1f%d" % (word, note)).encode()).hexdigest()[:10]
    csum = int(hashlib.sha1(word.encode()).hexdigest()[:8], 16)
    db.execute("insert into notes values (?, ?, 1, 0, -1, '', ?, ?, ?, 0, '')", (note, guid, fields, word, csum))
    db.execute("insert into cards values (?, ?, ?, 0, 0, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, '')",
               (note, note, group, note))
db.commit()
db.close()
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
    z.write(collection, "collection.anki2")
    z.writestr("media", "{}")
os.remove(collection)
os.rmdir(work)
