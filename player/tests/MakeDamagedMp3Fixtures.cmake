# Generates the MP3 files of the damaged-input test: one-second tones at the MPEG-2 and 2.5
# rates in mono and stereo, variable bit rate files, untagged halves to join into a file
# whose rate changes, and a WAV file named .mp3. Damaged variants are cut and patched from
# these by the test itself. Run with -DOUT=<dir> -DSOX=<sox> -DLAME=<lame>.

include(${CMAKE_CURRENT_LIST_DIR}/AudioFixtureTools.cmake)

tone(base_44100_stereo 1 44100 2 -b 128)
# At 64 kbit/s the first frame has room for the encoder's tag that tells the decoder the
# exact length; at 32 the low rates lose it.
foreach(rate 22050 16000 11025 8000)
    tone(cbr_${rate}_mono 1 ${rate} 1 -m m -b 64)
    tone(cbr_${rate}_stereo 1 ${rate} 2 -m s -b 64)
endforeach()
tone(vbr_44100_stereo 1 44100 2 -V 2)
tone(vbr_22050_mono 1 22050 1 -m m -V 5)
tone(vbr_11025_stereo 1 11025 2 -V 7)
# Without the encoder's tag, so that joined one after the other they decode as one stream.
tone(part_22050_mono 0.5 22050 1 -t -m m -b 32)
tone(part_11025_mono 0.5 11025 1 -t -m m -b 32)

run(${SOX} -n -r 44100 -c 2 -b 16 -t wav wave.mp3 synth 0.5 sine 440 vol 0.5)
