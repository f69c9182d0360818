#!/usr/bin/env python3
"""Writes skin/layout/main.ui, the main window's layout "XML_MAIN".

The main window holds several hundred controls, most of them families with an
index (31 band rows, 12 channel rows, 24 speaker positions). Writing them by
hand invites a misspelt name or a wrong user-data index, so the layout is
generated here and the result is committed (the program reads the .ui file).

Every length is at 100 %; the window scales minimum and maximum sizes, margins
and spacings itself. Nothing is placed by absolute geometry: a geometry would
not follow the display scale.

Usage: scripts/gen_main_layout.py [output]   (default: skin/layout/main.ui)
"""

import os
import sys
from xml.sax.saxutils import escape

WIDTH, HEIGHT = 1230, 650

CHANNELS = 12
BANDS = 31
SPEAKERS = 24

# One colour per channel curve (AARRGGBB), in channel order; the swatch beside
# each channel row shows the same colour.
CURVE_COLOURS = [
    "FFFF5A5F", "FFFFA53D", "FFF2D43D", "FF7BD66B", "FF3FC5F0", "FF8C7CFF",
    "FFFF6FB5", "FFB8E05A", "FF3FE0C5", "FFD57BFF", "FFFFCF8A", "FF7FA8FF",
]

# Input sources in source order (index = wire code - 0x51).
SOURCES = ["source_opt", "source_coax", "source_bt", "source_aux", "source_low", "source_hi", "source_dmp"]
# Crossover types: entry index = type code - 1 (1 Butterworth, 2 Linkwitz-Riley, 3 Bessel).
FILTER_TYPES = ["filter_butterworth", "filter_linkwitz", "filter_bessel"]
# Slopes: entry index = slope code = filter order; 0 switches the filter off.
SLOPES = ["off"] + ["slope_%d" % (6 * n) for n in range(1, 9)]
# Delay units: 0 milliseconds, 1 centimetres, 2 inches.
DELAY_UNITS = ["unit_ms", "unit_cm", "unit_inch"]

# Speaker positions around and over the car picture: (first, last) of each
# group. Front and rear sides sit beside the car, centre and subwoofers on it.
FRONT_LEFT, FRONT_RIGHT = (1, 6), (7, 12)
REAR_LEFT, REAR_RIGHT = (13, 15), (16, 18)
CENTRE, SUBWOOFER = (19, 21), (22, 24)

# Widest texts the program puts into controls, for checking the look:
# VLM_LAYOUT_WORST=1 writes them instead of the start-up texts.
WORST = os.environ.get("VLM_LAYOUT_WORST") == "1"


def shown(normal, worst):
    return worst if WORST else normal


def widest(normal, worst):
    """A control's text: the start-up text (the widest one with VLM_LAYOUT_WORST=1),
    and the widest text as the "widest" property, which the layout test sets to
    check that it fits at every scale."""
    return shown(normal, worst), {"widest": worst}


ROW_H = 22          # height of one speaker row and of the small edits
BAND_W = 36         # width of one band column
CAR_W, CAR_H = 140, 266


# ---- a small .ui writer ----------------------------------------------------

def key(k):
    return "${%s}" % k


class Prop:
    """A property value: ('string', s), ('bool', b), ('number', n), ('size', w, h),
    ('enum', e), ('set', s), ('cursor', c), ('sizepolicy', h, v, hs, vs)."""


def prop_xml(name, value, stdset=True, ind=""):
    attr = "" if stdset else ' stdset="0"'
    out = ['%s<property name="%s"%s>' % (ind, name, attr)]
    i2 = ind + " "
    if isinstance(value, bool):
        out.append("%s<bool>%s</bool>" % (i2, "true" if value else "false"))
    elif isinstance(value, int):
        out.append("%s<number>%d</number>" % (i2, value))
    elif isinstance(value, str):
        out.append("%s<string>%s</string>" % (i2, escape(value)) if value else "%s<string/>" % i2)
    else:
        kind = value[0]
        if kind == "size":
            out.append("%s<size><width>%d</width><height>%d</height></size>" % (i2, value[1], value[2]))
        elif kind == "enum":
            out.append("%s<enum>%s</enum>" % (i2, value[1]))
        elif kind == "set":
            out.append("%s<set>%s</set>" % (i2, value[1]))
        elif kind == "cursor":
            out.append("%s<cursorShape>%s</cursorShape>" % (i2, value[1]))
        elif kind == "sizepolicy":
            out.append('%s<sizepolicy hsizetype="%s" vsizetype="%s"><horstretch>%d</horstretch>'
                       '<verstretch>%d</verstretch></sizepolicy>' % (i2, value[1], value[2], value[3], value[4]))
        elif kind == "rect":
            out.append("%s<rect><x>0</x><y>0</y><width>%d</width><height>%d</height></rect>" % (i2, value[1], value[2]))
        else:
            raise ValueError(kind)
    out.append("%s</property>" % ind)
    return out


class Widget:
    def __init__(self, cls, name, text=None, props=None, dyn=None, layout=None, items=None):
        self.cls, self.name = cls, name
        self.props = dict(props or {})
        self.dyn = dict(dyn or {})
        if text is not None:
            self.props["text"] = text
        self.layout = layout
        self.items = items

    def xml(self, ind):
        out = ['%s<widget class="%s" name="%s">' % (ind, self.cls, self.name)]
        i2 = ind + " "
        for k, v in self.props.items():
            out += prop_xml(k, v, True, i2)
        for k, v in self.dyn.items():
            out += prop_xml(k, v, False, i2)
        for item in self.items or []:
            out.append("%s<item>" % i2)
            out += prop_xml("text", item, True, i2 + " ")
            out.append("%s</item>" % i2)
        if self.layout is not None:
            out += self.layout.xml(i2)
        out.append("%s</widget>" % ind)
        return out


class Spacer:
    def __init__(self, name, horizontal=True, w=0, h=0, policy=None):
        self.name, self.horizontal, self.w, self.h, self.policy = name, horizontal, w, h, policy

    def xml(self, ind):
        i2 = ind + " "
        out = ['%s<spacer name="%s">' % (ind, self.name)]
        out += prop_xml("orientation", ("enum", "Qt::Horizontal" if self.horizontal else "Qt::Vertical"), True, i2)
        if self.policy:
            out += prop_xml("sizeType", ("enum", "QSizePolicy::" + self.policy), True, i2)
        out += prop_xml("sizeHint", ("size", self.w, self.h), False, i2)
        out.append("%s</spacer>" % ind)
        return out


class Layout:
    """cls is QHBoxLayout, QVBoxLayout or QGridLayout; grid children are given
    as (child, row, col[, rowspan, colspan[, alignment]])."""

    def __init__(self, cls, name, children, margins=(0, 0, 0, 0), spacing=0, hspacing=None, vspacing=None,
                 stretch=None):
        self.cls, self.name, self.children = cls, name, children
        self.margins, self.spacing = margins, spacing
        self.hspacing, self.vspacing, self.stretch = hspacing, vspacing, stretch

    def xml(self, ind):
        out = ['%s<layout class="%s" name="%s">' % (ind, self.cls, self.name)]
        i2 = ind + " "
        if self.stretch:
            out += prop_xml("stretch" if self.cls != "QGridLayout" else "columnStretch", self.stretch, True, i2)
        if self.cls == "QGridLayout":
            out += prop_xml("horizontalSpacing", self.spacing if self.hspacing is None else self.hspacing, True, i2)
            out += prop_xml("verticalSpacing", self.spacing if self.vspacing is None else self.vspacing, True, i2)
        else:
            out += prop_xml("spacing", self.spacing, True, i2)
        for side, m in zip(("left", "top", "right", "bottom"), self.margins):
            out += prop_xml(side + "Margin", m, True, i2)
        for child in self.children:
            if self.cls == "QGridLayout":
                c, row, col = child[0], child[1], child[2]
                rs, cs = (child[3], child[4]) if len(child) > 4 else (1, 1)
                align = child[5] if len(child) > 5 else None
                attrs = ' row="%d" column="%d"' % (row, col)
                if rs != 1 or cs != 1:
                    attrs += ' rowspan="%d" colspan="%d"' % (rs, cs)
                if align:
                    attrs += ' alignment="%s"' % align
                out.append("%s<item%s>" % (i2, attrs))
            else:
                c = child
                out.append("%s<item>" % i2)
            if isinstance(c, Layout):
                out += c.xml(i2 + " ")
            else:
                out += c.xml(i2 + " ")
            out.append("%s</item>" % i2)
        out.append("%s</layout>" % ind)
        return out


def hbox(name, children, margins=(0, 0, 0, 0), spacing=6, stretch=None):
    return Layout("QHBoxLayout", name, children, margins, spacing, stretch=stretch)


def vbox(name, children, margins=(0, 0, 0, 0), spacing=6, stretch=None):
    return Layout("QVBoxLayout", name, children, margins, spacing, stretch=stretch)


def fixed(w, h):
    return {"minimumSize": ("size", w, h), "maximumSize": ("size", w, h)}


def min_size(w, h):
    return {"minimumSize": ("size", w, h)}


def container(name, layout, role=None, props=None, dyn=None):
    d = dict(dyn or {})
    if role:
        d["role"] = role
    return Widget("QWidget", name, props=props, dyn=d, layout=layout)


def label(name, text, role=None, props=None):
    return Widget("QLabel", name, text, props=props, dyn={"role": role} if role else None)


def button(name, text, role=None, cls="QPushButton", props=None, dyn=None, userdata=None):
    d = dict(dyn or {})
    if role:
        d["role"] = role
    if userdata is not None:
        d["userdata"] = str(userdata)
    p = {"cursor": ("cursor", "PointingHandCursor")}
    p.update(props or {})
    return Widget(cls, name, text, props=p, dyn=d)


def edit(name, w, h=ROW_H, role=None, userdata=None, text="", visible=True, align="Qt::AlignCenter"):
    d = {}
    if isinstance(text, tuple):
        text, extra = text
        d.update(extra)
    if role:
        d["role"] = role
    if userdata is not None:
        d["userdata"] = str(userdata)
    p = fixed(w, h)
    p["text"] = text
    p["alignment"] = ("set", align)
    if not visible:
        p["visible"] = False
    return Widget("QLineEdit", name, props=p, dyn=d)


def check(name, text="", role=None, userdata=None, props=None, visible=True, tip=None, widest=None):
    d = {"widest": widest} if widest else {}
    if role:
        d["role"] = role
    if userdata is not None:
        d["userdata"] = str(userdata)
    p = {"cursor": ("cursor", "PointingHandCursor")}
    p.update(props or {})
    if not visible:
        p["visible"] = False
    if tip:
        p["toolTip"] = tip
    return Widget("QCheckBox", name, text, props=p, dyn=d)


def combo(name, items, w, h=26, role=None, current=None):
    p = min_size(w, h)
    p["maximumSize"] = ("size", 16777215, h)
    if current is not None:
        p["currentIndex"] = current
    return Widget("QComboBox", name, props=p, dyn={"role": role} if role else None,
                  items=[key(i) for i in items])


def slider(name, lo, hi, vertical=False, w=0, h=0, userdata=None, value=None, page=None):
    p = {"orientation": ("enum", "Qt::Vertical" if vertical else "Qt::Horizontal"),
         "minimum": lo, "maximum": hi, "singleStep": 1,
         "pageStep": page if page is not None else max(1, (hi - lo) // 10)}
    if value is not None:
        p["value"] = value
    if w or h:
        p.update(min_size(w, h))
    if vertical:
        p["maximumSize"] = ("size", w or 16777215, 16777215)
    d = {}
    if userdata is not None:
        d["userdata"] = str(userdata)
    return Widget("QSlider", name, props=p, dyn=d)


# ---- the parts of the window -------------------------------------------------

def caption_button(name, image, glyph, tip):
    p = {"text": "", "toolTip": key(tip), "focusPolicy": ("enum", "Qt::NoFocus")}
    p.update(fixed(36, 32))
    return Widget("QPushButton", name, props=p,
                  dyn={"image": image, "hotimage": image + "_hot", "pushedimage": image + "_pushed",
                       "fallbacktext": glyph})


def menu_button(name, text):
    return button(name, key(text), role="menubutton", props=min_size(80, 30))


def title_bar():
    children = [
        Widget("QLabel", "title_logo", "", dyn={"image": "logo"}),
        Widget("QLabel", "title_text", "VLM24.60 DSP Audio", dyn={"role": "title"}),
        Spacer("title_spacer"),
        # A/B comparison: which tuning plays, and A copied onto B.
        label("label_ab", key("ab_compare"), role="dim"),
        check("btn_ab_a", key("ab_a"), role="toggle", props=min_size(34, 26), tip=key("ab_a_tips")),
        check("btn_ab_b", key("ab_b"), role="toggle", props=min_size(34, 26), tip=key("ab_b_tips")),
        button("btn_ab_copy", key("ab_copy"), role="small", props=min_size(0, 26)),
        Spacer("title_ab_gap", w=12, policy="Fixed"),
        label("label_dpi", key("dpi"), role="dim"),
        Widget("QLineEdit", "edt_dpi", props={**fixed(52, 26), "alignment": ("set", "Qt::AlignCenter")}),
        button("btnDpi", key("apply"), role="small", props=min_size(64, 26)),
        Spacer("title_gap", w=12, policy="Fixed"),
        menu_button("btn_option", "option"),
        menu_button("btn_scene", "scene"),
        menu_button("btn_advance", "advance"),
        caption_button("minbtn", "btn_min", "\u2013", "minimize"),
        caption_button("closebtn", "btn_close", "\u2715", "close"),
    ]
    return container("title_bar", hbox("title_layout", children, (12, 4, 6, 4), 6), role="titlebar",
                     props=min_size(0, 44), dyn={"caption": True})


def separator(name):
    return Widget("QFrame", name, props={**fixed(1, 24), "frameShape": ("enum", "QFrame::VLine")},
                  dyn={"role": "separator"})


def tool_bar():
    children = [
        button("btnConnect", key("btn_disconnected"), role="connect", cls="SButton", props=min_size(130, 30)),
        button("btn_amp_onoff", key(shown("amp_on", "amp_off")), role="power", cls="SButton", props=min_size(156, 30),
               dyn={"selected": "true", "widest": key("amp_off")}),
        separator("sep_1"),
        label("label_input_source", key("input_source")),
        combo("btn_input_source", SOURCES, 156, 28, current=5),
        separator("sep_2"),
        label("label_main_volume", key("main_volume")),
        slider("slider_main_volume", 0, 40, w=80, h=22, page=4),
        edit("edit_main_volume", 56, 26, role="value", text=widest("0", key("off"))),
        check("main_mute", key("mute")),
        separator("sep_3"),
        label("label_acc", key("acc_delay")),
        slider("slider_acc", 0, 255, w=70, h=22, page=10),
        edit("edit_acc", 56, 26, role="value", text=widest("0", key("off"))),
        Spacer("status_spacer"),
    ]
    return container("status_bar", hbox("status_layout", children, (10, 6, 10, 6), 6), role="toolbar")


def speaker_row(p, mirrored=False):
    """Marker, connection mark and delay edit of position p, in a box of fixed
    size so that hiding them moves nothing."""
    marker = check("speaker_%d" % p, "", role="speaker", userdata=p, visible=False,
                   props={**fixed(18, ROW_H)})
    mark = Widget("QLabel", "spk_con_%d" % p, "", props={**fixed(8, 8), "visible": False},
                  dyn={"role": "spkcon", "userdata": str(p)})
    delay = edit("spk_delay_%d" % p, 50, ROW_H, role="small", userdata=p, text=widest("0.000", "15.000"), visible=False)
    parts = [delay, mark, marker] if mirrored else [marker, mark, delay]
    return container("spk_row_%d" % p, hbox("spk_row_%d_layout" % p, parts, spacing=3),
                     props=fixed(18 + 8 + 50 + 6, ROW_H))


def speaker_column(name, groups, mirrored, gap_after):
    rows = []
    for gi, (first, last) in enumerate(groups):
        for p in range(first, last + 1):
            rows.append(speaker_row(p, mirrored))
        if gi < len(groups) - 1:
            rows.append(Spacer("%s_gap_%d" % (name, gi), horizontal=False, h=gap_after, policy="Fixed"))
    rows.append(Spacer("%s_end" % name, horizontal=False))
    return vbox(name, [Spacer("%s_top" % name, horizontal=False, h=30, policy="Fixed")] + rows, spacing=3)


def car_overlay():
    """The car picture with the centre speakers on the dashboard and the
    subwoofers in the boot."""
    centre = [speaker_row(p) for p in range(CENTRE[0], CENTRE[1] + 1)]
    subs = [speaker_row(p) for p in range(SUBWOOFER[0], SUBWOOFER[1] + 1)]
    inner = vbox("car_layout",
                 [Spacer("car_top", horizontal=False, h=62, policy="Fixed")] + centre +
                 [Spacer("car_mid", horizontal=False)] + subs +
                 [Spacer("car_bottom", horizontal=False, h=18, policy="Fixed")],
                 margins=(29, 0, 29, 0), spacing=3)
    return container("car_picture", inner, role="car", props=fixed(CAR_W, CAR_H))


def speaker_panel():
    header = hbox("speaker_header", [
        label("label_speakers", key("speakers"), role="heading"),
        Spacer("speaker_header_spacer"),
        label("label_unit", key("unit"), role="dim"),
        combo("comb_ch_unit", DELAY_UNITS, 72, 26),
    ], spacing=6)
    left = speaker_column("speakers_left", [FRONT_LEFT, REAR_LEFT], False, 20)
    right = speaker_column("speakers_right", [FRONT_RIGHT, REAR_RIGHT], True, 20)
    map_row = hbox("speaker_map", [left, car_overlay(), right], spacing=4)
    body = vbox("speaker_panel_layout", [header, map_row, Spacer("speaker_panel_end", horizontal=False)],
                margins=(8, 6, 8, 8), spacing=6)
    return container("panel_speakers", body, role="panel")


def channel_panel():
    header = hbox("channel_header", [
        label("label_outputs", key("output"), role="heading"),
        Spacer("channel_header_spacer"),
        button("btn_reset_output", key("reset_output"), role="small", props=min_size(0, 24)),
    ], spacing=6)
    cells = []
    for c in range(CHANNELS):
        swatch = Widget("QLabel", "ch_colour_%d" % c, "", props={**fixed(4, 18),
                        "styleSheet": "background-color: #%s;" % CURVE_COLOURS[c][2:]})
        cells.append((swatch, c, 0))
        cells.append((check("ch_enable_%d" % c, "CH%d" % (c + 1), role="channel", userdata=c,
                            props=fixed(54, 20)), c, 1))
        cells.append((check("ch_show_%d" % c, "", userdata=c, tip=key("show_curve"),
                            props={"checked": True, **fixed(20, 20)}), c, 2))
        cells.append((button("ch_output_btn_%d" % c, key(shown("empty", "front_right_mid_twee")), role="output", userdata=c,
                             dyn={"widest": key("front_right_mid_twee")},
                             props={**min_size(128, 20), "maximumSize": ("size", 16777215, 20)}), c, 3))
    grid = Layout("QGridLayout", "channel_grid", cells, hspacing=5, vspacing=2)
    footer = hbox("channel_footer", [
        check("btn_lock_output", key("lock_output"), role="toggle", props=min_size(0, 24)),
        check("btn_link_output", key("link_output"), role="toggle", props=min_size(0, 24)),
    ], spacing=6)
    body = vbox("channel_panel_layout", [header, grid, Spacer("channel_panel_end", horizontal=False), footer],
                margins=(8, 6, 8, 8), spacing=6)
    return container("panel_channels", body, role="panel")


def curve():
    colours = " ".join("#" + c for c in CURVE_COLOURS)
    return Widget("Curve", "equalizer",
                  props={**min_size(400, 170),
                         "sizePolicy": ("sizepolicy", "Expanding", "Expanding", 1, 1),
                         "focusPolicy": ("enum", "Qt::ClickFocus")},
                  dyn={"curvecolor": colours, "bypassfont": "4", "fontindex": "0",
                       "textcolor": "#FFB9C0CA", "userdata": "-1"})


def crossover_panel():
    def row_label(name, text, role="dim"):
        return label(name, text, role=role)

    channel_row = hbox("channel_row", [
        label("label_channel_name", "CH1", role="channelname", props=min_size(56, 0)),
        row_label("label_ch_gain", key("gain")),
        slider("slider_ch_volume", -600, 120, w=100, h=22, page=10),
        edit("edit_ch_volume", 76, 26, role="value", text=widest("0" + key("unit_db"), "-60" + key("unit_db"))),
        Spacer("channel_row_gap", w=6, policy="Fixed"),
        check("ch_mute", key("mute")),
        check("ch_phase", key(shown("positive_phase", "reverse phase")), widest=key("reverse phase"), props=min_size(104, 0)),
    ], spacing=8)
    cells = [(channel_row, 0, 0, 1, 7)]
    for r, side, name in ((1, "hp", "high_pass"), (2, "lp", "low_pass")):
        cells += [
            (row_label("label_%s" % side, key(name), role="rowhead"), r, 0),
            (row_label("label_%s_type" % side, key("filter_type")), r, 1),
            (combo("%s_type" % side, FILTER_TYPES, 150, 26, current=shown(None, 1)), r, 2),
            (row_label("label_%s_slop" % side, key("slope")), r, 3),
            (combo("%s_slop" % side, SLOPES, 116, 26, current=shown(None, 8)), r, 4),
            (row_label("label_%s_freq" % side, key("freq")), r, 5),
            (edit("%s_freq" % side, 76, 26, role="value", text=widest("20" + key("unit_hz"), "20000" + key("unit_hz"))), r, 6),
        ]
    grid = Layout("QGridLayout", "crossover_grid", cells, margins=(8, 6, 8, 8), hspacing=8, vspacing=6)
    return container("panel_crossover", grid, role="panel")


def right_column():
    return vbox("right_column", [curve(), crossover_panel()], spacing=6)


def band_panel():
    header = hbox("band_header", [
        label("label_equalizer", key("equalizer"), role="heading"),
        Spacer("band_header_spacer"),
        button("btn_tune", key("tune_open"), role="small", props=min_size(0, 24)),
        button("btn_curve_png", key("tune_export_png"), role="small", props=min_size(0, 24)),
        Spacer("band_header_gap", w=12, policy="Fixed"),
        button("btn_arg_eq", key("peq_mode"), role="small", cls="SButton", props=min_size(0, 24),
               dyn={"selected": "true"}),
        button("btn_bypass", key("bypass_eq"), role="small", props=min_size(0, 24)),
        button("btn_reset_eq", key("reset_eq"), role="small", props=min_size(0, 24)),
    ], spacing=6)
    cells = [
        (label("label_band_gain", key("unit_db"), role="rowhead"), 3, 0),
        (label("label_band_freq", key("unit_hz"), role="rowhead"), 4, 0),
        (label("label_band_q", key("q"), role="rowhead"), 5, 0),
    ]
    for b in range(BANDS):
        col = b + 1
        cells.append((label("band_no_%d" % b, str(b + 1), role="bandno",
                            props={"alignment": ("set", "Qt::AlignCenter")}), 0, col))
        cells.append((check("pt_enable_%d" % b, "", role="band", userdata=b,
                            props=fixed(BAND_W, 16)), 1, col, 1, 1, "Qt::AlignHCenter"))
        cells.append((slider("eq_slider_%d" % b, -180, 120, vertical=True, w=20, h=60, userdata=b, value=0, page=10),
                      2, col, 1, 1, "Qt::AlignHCenter"))
        cells.append((edit("eq_gain_%d" % b, BAND_W, ROW_H, role="band", userdata=b, text=widest("0.0", "-18.0")), 3, col))
        cells.append((edit("eq_freq_%d" % b, BAND_W, ROW_H, role="band", userdata=b, text=widest("0", "20000")), 4, col))
        cells.append((edit("eq_q_%d" % b, BAND_W, ROW_H, role="band", userdata=b, text=widest("0.00", "24.00")), 5, col))
    grid = Layout("QGridLayout", "band_grid", cells, hspacing=1, vspacing=2)
    body = vbox("band_panel_layout", [header, grid], margins=(6, 4, 6, 6), spacing=2)
    return container("panel_bands", body, role="panel")


def main_page():
    upper = hbox("upper_layout", [speaker_panel(), channel_panel(), right_column()], spacing=6,
                 stretch="0,0,1")
    page = vbox("page_layout", [upper, band_panel()], margins=(6, 6, 6, 6), spacing=6)
    return container("mainpage", page, role="page")


def main_ui():
    root = Widget("QWidget", "main_root", props={"geometry": ("rect", WIDTH, HEIGHT)},
                  layout=vbox("main_root_layout", [title_bar(), tool_bar(), main_page()], spacing=0))
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- Generated by scripts/gen_main_layout.py; edit the script, not this file. -->",
             '<ui version="4.0">', " <class>MainWnd</class>"]
    lines += root.xml(" ")
    lines += [" <resources/>", " <connections/>", "</ui>"]
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "skin", "layout", "main.ui")
    with open(out, "w", encoding="utf-8") as f:
        f.write(main_ui())


if __name__ == "__main__":
    main()
