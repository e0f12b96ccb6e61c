# Run by cpack on the tree it has installed, before it packs it: every
# directory in a package is rwxr-xr-x, whatever the umask of whoever makes
# it (the install step creates directories under the umask).
file(CHMOD_RECURSE ${CPACK_TEMPORARY_DIRECTORY}
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                           GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
