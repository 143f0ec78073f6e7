# The demo reader lives with the shell; the world's tests read and write demos too.
if(TARGET test_world)
  target_link_libraries(test_world PRIVATE gloopa_shell)
endif()
