# The wheel carries libKwvCard.so.0 and the platform stand-ins built for this
# machine: it is a platform wheel (installed as such, tagged
# py3-none-linux_x86_64, say), not pure Python, and fits any Python 3 there
# since the package loads the library with ctypes.
from setuptools import Distribution, setup
from wheel.bdist_wheel import bdist_wheel


class BinaryDistribution(Distribution):
    def has_ext_modules(self):
        return True


class PlatformWheel(bdist_wheel):
    def get_tag(self):
        return ("py3", "none", super().get_tag()[2])


setup(distclass=BinaryDistribution, cmdclass={"bdist_wheel": PlatformWheel})
