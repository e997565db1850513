# Read by cpack when it makes the package: a maintainer given in cpack's environment wins over
# the one of the configured build.
if(DEFINED ENV{MARULO_PACKAGE_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "$ENV{MARULO_PACKAGE_MAINTAINER}")
    set(CPACK_PACKAGE_CONTACT "$ENV{MARULO_PACKAGE_MAINTAINER}")
endif()
