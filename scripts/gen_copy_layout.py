#!/usr/bin/env python3
"""Writes the layout of the channel copy dialog ("XML_COPY_CHANNEL",
skin/layout/copy_channel.ui): the channel copied and the one it is copied to,
and a box per group of settings. The window finds each box by the group's
language key ("copy_bands"), so the groups here follow the program's table of
copy groups; a window test checks that every group has its box.

Usage: scripts/gen_copy_layout.py [output folder]   (default: skin/layout)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_main_layout import Spacer, Widget, check, combo, container, hbox, key, label, min_size, vbox  # noqa: E402
from gen_tool_layouts import button_row, document, tool_title_bar  # noqa: E402

GROUPS = ("copy_crossovers", "copy_bands", "copy_gain", "copy_delay", "copy_phase")


def copy_ui():
    def channel_row(name, text):
        return hbox(name + "_row", [label(name + "_caption", key(text), props=min_size(120, 0)),
                                    combo(name, [], 140, 28), Spacer(name + "_spacer")], spacing=10)

    boxes = [check(g, key(g)) for g in GROUPS]
    groups = container("copy_groups", vbox("copy_groups_layout", [label("copy_groups_caption", key("copy_what"),
                                                                        role="dim")] + boxes, (0, 4, 0, 4), 8))
    body = container("copy_body", vbox("copy_body_layout", [
        channel_row("copy_from", "copy_from"), channel_row("copy_to", "copy_to"), groups,
        label("copy_message", "", role="dim", props={"wordWrap": True}),
        button_row("copy_buttons", [("confirm_btn", "copy_confirm", True), ("cancel_btn", "cancel", False)])],
        (24, 14, 24, 16), 10), role="body")
    root = Widget("QWidget", "copy_root", props={"geometry": ("rect", 420, 400)},
                  layout=vbox("copy_root_layout", [tool_title_bar("title_bar"), body], spacing=0))
    return document("CopyChannelWnd", root)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "skin", "layout")
    with open(os.path.join(out, "copy_channel.ui"), "w", encoding="utf-8") as f:
        f.write(copy_ui().replace("gen_tool_layouts.py", "gen_copy_layout.py"))


if __name__ == "__main__":
    main()
