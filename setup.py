"""The build backend's CMake step: pip install . builds the extension module with the
project's CMake and puts it, with the version CMake wrote, beside the package's Python files.

ZORF_BUILD_DIR names a build folder that is configured already (CI's build/release): its
module is built there (nothing to do when it is up to date) instead of in a folder of its own.
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def version():
    """The version, as project() in CMakeLists.txt sets it: the one place it is set."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(\s*\w+\s+VERSION\s+([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, extension):
        folder = os.environ.get("ZORF_BUILD_DIR")
        if folder:
            folder = pathlib.Path(folder).resolve()
        else:
            folder = ROOT / "build" / "pip"
            subprocess.run(["cmake", "-S", str(ROOT), "-B", str(folder), "-G", "Ninja",
                            "-DCMAKE_BUILD_TYPE=Release", "-DZORF_BUILD_TESTS=OFF",
                            "-DZORF_BUILD_PYTHON=ON", f"-DPYTHON_EXECUTABLE={sys.executable}"],
                           check=True)
        subprocess.run(["cmake", "--build", str(folder), "--target", "zorf_python"]
                       + ([f"-j{self.parallel}"] if self.parallel else []), check=True)
        built = folder / "python" / "zorf"
        module = pathlib.Path(self.get_ext_fullpath(extension.name))
        module.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(next(built.glob("_zorf*.so")), module)
        shutil.copy2(built / "_version.py", module.parent / "_version.py")


setup(
    version=version(),
    packages=["zorf"],
    package_dir={"zorf": "python/zorf"},
    package_data={"zorf": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("zorf._zorf", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
