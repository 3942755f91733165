#!/usr/bin/env python3
"""Writes a zip that depends on nothing but the files' bytes: entries in the order given,
all dated SOURCE_DATE_EPOCH (or 1980-01-01 when it is not set), programs 0755 and other
files 0644, no owner, no extra fields.

usage: zip_files.py ZIP FOLDER NAME...
"""
import os
import sys
import time
import zipfile


def main(zip_path, folder, names):
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    # A zip cannot hold a date before 1980.
    date_time = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(zip_path + ".part", "w") as archive:
        for name in names:
            with open(os.path.join(folder, name), "rb") as source:
                data = source.read()
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = 3  # Unix, so that the modes below mean something
            mode = 0o755 if name.endswith(".exe") else 0o644
            entry.external_attr = (0o100000 | mode) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)
    os.replace(zip_path + ".part", zip_path)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
