#!/usr/bin/python3
"""Writes tests/data/wbmp/: type 0 WBMP files from netpbm, ImageMagick and
GraphicsMagick, one wider than 127 pixels (a two-byte width), with
expected.tsv.
"""
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corpuskit as kit  # noqa: E402
from corpuskit import GM, IM, run  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
table = kit.Table(os.path.join(ROOT, "tests", "data", "wbmp"))


def main():
    sources = {"small.pbm": kit.mono(7, 5, 6), "mono.pbm": kit.mono(33, 17, 7), "wide.pbm": kit.mono(130, 9, 8)}
    with tempfile.TemporaryDirectory() as tmp:
        for name, im in sources.items():
            im.save(os.path.join(tmp, name))

        def tool(name, cmd, reader, source, stdout=False):
            path = table.path(name)
            src = os.path.join(tmp, source)
            if stdout:
                with open(path, "wb") as f:
                    run(cmd + [src], stdout=f)
            else:
                run(cmd + [src, "wbmp:" + path])
            width, height = sources[source].size
            table.add(name, width, height, 1, kit.readback_hash(path, reader))

        for source in sources:
            stem = os.path.splitext(source)[0]
            tool("nb_%s.wbmp" % stem, ["pbmtowbmp"], "wbmptopbm", source, stdout=True)
        tool("im_mono.wbmp", [IM], "im", "mono.pbm")
        tool("gm_wide.wbmp", [GM, "convert"], "gm", "wide.pbm")

    # Files the decoder must refuse.
    with open(table.path("nb_mono.wbmp"), "rb") as f:
        good = f.read()
    with open(table.path("type1.wbmp"), "wb") as f:
        f.write(b"\x01" + good[1:])
    table.add_error("type1.wbmp", "Unsupported WBMP type")
    kit.truncated_copy(table.path("nb_wide.wbmp"), table.path("cut_wide.wbmp"), 60)
    table.add_error("cut_wide.wbmp", "Corrupted WBMP")
    table.write()


if __name__ == "__main__":
    main()
