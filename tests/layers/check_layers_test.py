#!/usr/bin/env python3
"""The layer checker itself, on small trees made in a temporary folder."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402


class Tree:
    def __init__(self):
        self._dir = tempfile.TemporaryDirectory()
        self.root = self._dir.name
        # A stand-in Qt header folder: one core, one GUI and one widget header.
        for header in ("QtCore/QString", "QtGui/QImage", "QtGui/QColor", "QtWidgets/QWidget"):
            self.Write("qt/" + header, "")
        self.qt = os.path.join(self.root, "qt")

    def Write(self, rel, text):
        path = os.path.join(self.root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def Source(self, rel, *includes):
        self.Write(rel, "".join(f"#include {i}\n" for i in includes) + "int x;\n")

    def Problems(self):
        return check_layers.Check(self.root, self.qt)

    def close(self):
        self._dir.cleanup()


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        self.addCleanup(self.tree.close)
        t = self.tree
        # A clean tree in the shape of the product's.
        t.Source("platform/registry.cpp", '"platform/registry.h"', "<QString>")
        t.Source("platform/registry.h")
        t.Source("platform/db/database.cpp", '"platform/db/database.h"', '"platform/registry.h"')
        t.Source("platform/db/database.h")
        t.Source("platform/gui/colour.h", "<QColor>")
        t.Source("platform/com/control.h", "<QWidget>")
        t.Source("core/files.cpp", '"core/files.h"', '"platform/db/database.h"')
        t.Source("core/files.h")
        t.Source("records/exam_record.cpp", '"core/files.h"', '"platform/db/database.h"', "<QString>")
        t.Source("upgrade/steps.cpp", '"records/exam_record.h"', '"core/files.h"')
        t.Source("shell/splash.cpp", '"upgrade/steps.h"', '"platform/gui/colour.h"', "<QWidget>")
        t.Source("controls/tooth_button/tooth_button_ids.h")
        t.Source("controls/tooth_button/tooth_button_painter.cpp", '"platform/gui/colour.h"', "<QImage>",
                 '"tooth_button_ids.h"')
        t.Source("screens/input/input_form.cpp", '"records/exam_record.h"', '"controls/tooth_button/tooth_button_ids.h"',
                 '"platform/com/control.h"')
        t.Source("app/main.cpp", '"shell/splash.h"', '"screens/input/input_form.h"')
        # Not product code: a test may include anything.
        t.Source("tests/records/x_test.cpp", '"shell/splash.h"', "<QWidget>")

    def assertReported(self, fragment):
        problems = self.tree.Problems()
        self.assertEqual(len(problems), 1, problems)
        self.assertIn(fragment, problems[0])
        return problems[0]

    def test_clean_tree_passes(self):
        self.assertEqual(self.tree.Problems(), [])
        self.assertEqual(check_layers.main(["--root", self.tree.root, "--qt-headers", self.tree.qt]), 0)

    def test_lower_layer_using_a_higher_one_is_reported_with_file_and_line(self):
        self.tree.Source("records/exam_record.h", "<QString>", '"shell/splash.h"')
        line = self.assertReported("records/exam_record.h:2: shell/splash.h")
        self.assertIn("records may not use shell", line)
        self.assertEqual(check_layers.main(["--root", self.tree.root, "--qt-headers", self.tree.qt]), 1)

    def test_records_below_the_upgrade_steps(self):
        self.tree.Source("records/old_format.cpp", '"upgrade/steps.h"')
        self.assertReported("records may not use upgrade")

    def test_modules_stay_off_the_clinic_code_and_each_other(self):
        for bad in ('"records/exam_record.h"', '"core/files.h"', '"controls/colour_button/prismet_ctrl.h"'):
            with self.subTest(bad):
                self.tree.Source("controls/tooth_button/tooth_button_ctrl.cpp", bad)
                self.assertReported("layer controls/tooth_button may not use")

    def test_hosts_see_only_the_host_headers_of_a_module(self):
        self.tree.Source("screens/chart/chart_form.cpp", '"controls/tooth_button/tooth_button_painter.h"')
        self.assertReported("screens may not use controls/tooth_button")

    def test_screens_never_reach_the_core_windows(self):
        self.tree.Source("printing/sheet.cpp", '"shell/splash.h"')
        self.assertReported("printing may not use shell")

    def test_gui_headers_in_gui_free_layers(self):
        for layer, header in (("platform/db", "<QImage>"), ("core", "<QWidget>"), ("records", "<QtGui/QColor>"),
                              ("core/sound", "<QtWidgets>")):
            with self.subTest(layer):
                self.tree.Source(f"{layer}/extra.cpp", header)
                self.assertReported(f"GUI-free layer {layer} includes the Qt GUI header {header}")
                os.remove(os.path.join(self.tree.root, layer, "extra.cpp"))

    def test_gui_free_layer_using_a_gui_layer_of_the_project(self):
        self.tree.Source("core/values.cpp", '"platform/gui/colour.h"')
        self.assertReported("layer core may not use platform/gui")

    def test_a_folder_outside_the_table_is_reported(self):
        self.tree.Source("reports/summary.cpp", '"core/files.h"')
        self.assertReported("'reports' is in no layer")

    def test_build_folders_are_not_read(self):
        self.tree.Write("out/CMakeCache.txt", "")
        self.tree.Source("out/core/moc_bad.cpp", '"shell/splash.h"')
        self.tree.Source("build-debug/records/moc_bad.cpp", '"shell/splash.h"')
        self.assertEqual(self.tree.Problems(), [])

    def test_a_table_that_lets_a_gui_free_layer_use_a_gui_layer_is_refused(self):
        saved = check_layers.LAYERS["records"]
        check_layers.LAYERS["records"] = (False, saved[1] + ["platform/gui"])
        self.addCleanup(check_layers.LAYERS.__setitem__, "records", saved)
        self.assertIn("layer table: GUI-free records uses GUI layer platform/gui", self.tree.Problems())


if __name__ == "__main__":
    unittest.main()
