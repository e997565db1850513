# cmake -DSOURCE=... -DTARGET=... -P CopyIfMissing.cmake: copies SOURCE to TARGET unless TARGET exists.
if(NOT EXISTS "${TARGET}")
    file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
