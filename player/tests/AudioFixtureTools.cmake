# Helpers of the scripts that make MP3 test fixtures. The including script is run with
# -DOUT=<dir> -DSOX=<sox> -DLAME=<lame>.

file(MAKE_DIRECTORY ${OUT})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result WORKING_DIRECTORY ${OUT})
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Cannot make an audio fixture: ${ARGN}")
    endif()
endfunction()

# tone(NAME seconds rate channels lame-options...): a 440 Hz sine at half scale.
function(tone name seconds rate channels)
    run(${SOX} -n -r ${rate} -c ${channels} -b 16 ${name}.wav synth ${seconds} sine 440 vol 0.5)
    run(${LAME} --quiet ${ARGN} ${name}.wav ${name}.mp3)
    file(REMOVE ${OUT}/${name}.wav)
endfunction()
