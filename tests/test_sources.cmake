# The unit tests, one list per folder, mirroring the source folders (relative to tests/): the
# native qx_tests, and the browser build's qx_web_tests those of them that run under Node
# (web/tests/CMakeLists.txt).
set(qx_test_sources
  archive/archive_reader_test.cpp archive/asset_catalogue_test.cpp archive/entry_decoder_test.cpp
  archive/fuzz_corpus_test.cpp
  base/pixel_ops_test.cpp base/simd_pixels_test.cpp
  data/object_image_test.cpp data/wave_table_test.cpp
  display/framebuffer_test.cpp display/full_screen_test.cpp
  effects/bump_water_test.cpp effects/face_list_test.cpp effects/fades_test.cpp
  effects/film_grain_test.cpp effects/lines_test.cpp effects/objects_test.cpp
  effects/picture_filters_test.cpp effects/precalculation_test.cpp
  effects/rasterisers_test.cpp effects/rotozoom_plasma_test.cpp effects/transform_test.cpp
  effects/tunnel_test.cpp
  host/capture_test.cpp host/command_line_test.cpp host/flash_analysis_test.cpp
  host/frame_loop_test.cpp
  host/production_state_test.cpp host/start_and_loop_test.cpp host/startup_test.cpp
  host/page_player_test.cpp host/show_seeking_test.cpp host/storyboard_test.cpp
  host/timing_report_test.cpp
  host/viewer_controls_test.cpp
  host/whole_show_test.cpp
  music/music_binding_test.cpp music/scene_sequencer_test.cpp
  overlay/debug_overlay_test.cpp
  platform/child_process_test.cpp platform/offline_platform_test.cpp
  platform/posix_file_reads_test.cpp platform/sharp_scaler_test.cpp
  platform/termination_signals_test.cpp
  scenes/line_and_echo_scenes_test.cpp scenes/opening_and_object_scenes_test.cpp
  scenes/picture_effect_scenes_test.cpp scenes/scene_conventions_test.cpp
  scenes/scene_frames_test.cpp scenes/scene_rows_test.cpp
  sound/sound_device_loss_test.cpp sound/sound_module_test.cpp sound/sound_seek_test.cpp
  support/placeholder_assets_test.cpp
  timing/tick_scheduler_test.cpp
  tools/archive/archive_writer_test.cpp
  tools/meshes/mesh_shapes_test.cpp tools/meshes/object_report_test.cpp
  tools/music/score_test.cpp tools/music/soundtrack_test.cpp tools/music/synth_test.cpp
  tools/music/xm_writer_test.cpp
  tools/pictures/contact_sheet_test.cpp tools/pictures/picture_generator_test.cpp)
