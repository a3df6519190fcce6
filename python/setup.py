"""Builds the native module with the project's CMake, so that pip installs what the tools run."""

import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\(\w+ VERSION ([0-9.]+)", cmake.read()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.join(os.path.abspath(self.build_temp), "cmake")
        subprocess.check_call(
            [
                "cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                "-DFLOWVIEWER_BUILD_TESTS=OFF", "-DPython3_EXECUTABLE=" + sys.executable,
            ]
        )
        subprocess.check_call(
            ["cmake", "--build", build, "--target", "_flowviewer", "--parallel",
             str(os.cpu_count() or 1)]
        )
        built = os.path.join(build, "python", "flowviewer", os.path.basename(
            self.get_ext_filename(ext.name)))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built, target)


setup(
    version=project_version(),
    packages=["flowviewer"],
    ext_modules=[Extension("flowviewer._flowviewer", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
