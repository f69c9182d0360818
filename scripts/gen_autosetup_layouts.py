#!/usr/bin/env python3
"""Writes the layouts of the alignment window ("XML_ALIGN", skin/layout/align.ui)
and the auto-setup wizard ("XML_AUTOSETUP", skin/layout/autosetup.ui).

The alignment window makes its rows (one per assigned channel) itself inside
"align_rows"; the wizard makes its three pages inside "wizard_pages".
Every length is at 100 %.

Usage: scripts/gen_autosetup_layouts.py [output folder]   (default: skin/layout)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_main_layout import Spacer, Widget, container, label, min_size, vbox  # noqa: E402
from gen_tool_layouts import button_row, document, tool_title_bar  # noqa: E402


def align_ui():
    intro = label("align_intro", "", props={"wordWrap": True, **min_size(0, 36)})
    rows = container("align_rows", None, props=min_size(0, 60))
    status = label("align_status", "", props={"wordWrap": True, **min_size(0, 40)})
    body = container("align_body", vbox("align_body_layout", [
        intro, rows, Spacer("align_rows_end", horizontal=False), status,
        button_row("align_buttons", [("confirm_btn", "align_apply", True), ("cancel_btn", "cancel", False)])],
        (18, 12, 18, 16), 8), role="body")
    root = Widget("QWidget", "align_root", props={"geometry": ("rect", 560, 560)},
                  layout=vbox("align_root_layout", [tool_title_bar("title_bar"), body], spacing=0))
    return document("AlignWnd", root)


def autosetup_ui():
    pages = container("wizard_pages", None, props={**min_size(640, 420),
                                                   "sizePolicy": ("sizepolicy", "Expanding", "Expanding", 1, 1)})
    status = label("wizard_status", "", props={"wordWrap": True, **min_size(0, 40)})
    body = container("wizard_body", vbox("wizard_body_layout", [
        pages, status,
        button_row("wizard_buttons", [("wizard_save_scene", "wizard_save_scene", False),
                                      ("wizard_save_profile", "wizard_save_profile", False),
                                      ("wizard_discard", "wizard_discard", False),
                                      ("wizard_apply", "wizard_apply", True),
                                      ("wizard_start", "wizard_start", True),
                                      ("cancel_btn", "cancel", False)])],
        (18, 12, 18, 16), 8), role="body")
    root = Widget("QWidget", "wizard_root", props={"geometry": ("rect", 720, 620)},
                  layout=vbox("wizard_root_layout", [tool_title_bar("title_bar"), body], spacing=0))
    return document("AutoSetupWnd", root)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "skin", "layout")
    for name, text in (("align.ui", align_ui()), ("autosetup.ui", autosetup_ui())):
        with open(os.path.join(out, name), "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
