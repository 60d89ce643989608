#!/usr/bin/env python3
"""Seed corpus of the listing target: every archive fixture below
tests/data/archive of at most 16 KiB, behind the byte that picks its own
extension in fuzz/listing.cpp's table."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "data", "archive")
# The table of fuzz/listing.cpp, in its order.
EXTENSIONS = ["zip", "jar", "arj", "a01", "lzh", "lha", "zoo", "arc", "pak", "tar", "gz", "tgz",
              "z", "cab", "rar", "r00", "ace", "c00", "uue", "ha", "bh", "exe", "z01", "bin"]
NOT_ARCHIVES = {"list", "sh", "py", "md", "tsv", "txt", "java", "ps", "head", "tail"}
MAX_SIZE = 16 * 1024


def main():
    out = os.path.join(HERE, "corpus", "listing")
    os.makedirs(out, exist_ok=True)
    for root, _, files in os.walk(FIXTURES):
        for name in sorted(files):
            extension = name.rsplit(".", 1)[-1].lower() if "." in name else ""
            path = os.path.join(root, name)
            if extension in NOT_ARCHIVES or os.path.getsize(path) > MAX_SIZE:
                continue
            index = EXTENSIONS.index(extension) if extension in EXTENSIONS else EXTENSIONS.index("bin")
            family = os.path.relpath(root, FIXTURES).replace(os.sep, "-")
            with open(path, "rb") as f:
                data = f.read()
            with open(os.path.join(out, family + "-" + name), "wb") as f:
                f.write(bytes([index]) + data)


if __name__ == "__main__":
    main()
