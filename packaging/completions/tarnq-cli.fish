# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for tarnq-cli

set -l commands find info load play similarity preset help
complete -c tarnq-cli -f
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version and exit'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Print the help and exit'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a find -d 'Search folders for duplicate music files'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a info -d 'Print the properties and tags of audio files'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a load -d 'Read a saved result list'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a play -d 'Play an audio file'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a similarity -d 'Similarity of two texts'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a preset -d 'Show what a preset holds'
complete -c tarnq-cli -n "not __fish_seen_subcommand_from $commands" -a help -d 'Describe a command'

complete -c tarnq-cli -n "__fish_seen_subcommand_from help" -a "find info load play similarity preset"
complete -c tarnq-cli -n "__fish_seen_subcommand_from preset; and not __fish_seen_subcommand_from show" -a show -d 'Show a preset'
complete -c tarnq-cli -n "__fish_seen_subcommand_from show" -F
complete -c tarnq-cli -n "__fish_seen_subcommand_from find info load play" -F

# find only
set -l find "__fish_seen_subcommand_from find"
complete -c tarnq-cli -n $find -l preset -r -F -d 'Criteria, filter and folders from a preset'
complete -c tarnq-cli -n $find -l exclude -r -a '(__fish_complete_directories)' -d 'Skip this folder'
complete -c tarnq-cli -n $find -l no-recurse -d 'Search only the files directly in the folders'
complete -c tarnq-cli -n $find -l similar -d 'Compare Artist and Title by similarity'
complete -c tarnq-cli -n $find -l artist -x -d 'Similarity percentage of Artist'
complete -c tarnq-cli -n $find -l title -x -d 'Similarity percentage of Title'
complete -c tarnq-cli -n $find -l duration-tolerance -x -d 'Largest difference of the playing times'
complete -c tarnq-cli -n $find -l same -x -a 'album track genre bitrate bpm type' -d 'Further fields that must be equal'
complete -c tarnq-cli -n $find -l filter -x -d 'File filter'
complete -c tarnq-cli -n $find -l cache -r -F -d 'Information cache file'
complete -c tarnq-cli -n $find -l no-cache -d 'Neither read nor write the information cache'
complete -c tarnq-cli -n $find -s v -l verbose -d 'Name each skipped file with the reason'

# find and load
set -l list "__fish_seen_subcommand_from find load"
complete -c tarnq-cli -n $list -l settings -r -F -d 'Settings file to use'
complete -c tarnq-cli -n $list -l sort -x -a 'name ext path artist title album track genre bitrate duration type comment bpm size time none' -d 'Order of the list'
complete -c tarnq-cli -n $list -l reverse -d 'Reverse the order'
complete -c tarnq-cli -n $list -l select-dupes -d 'Select every member of each group but one'
complete -c tarnq-cli -n $list -l keep -x -a 'best first newest oldest' -d 'Select all but the copy to keep'
complete -c tarnq-cli -n $list -l keep-in -r -a '(__fish_complete_directories)' -d 'Keep one copy from this folder'
complete -c tarnq-cli -n $list -l select-in -r -a '(__fish_complete_directories)' -d 'Select only members inside this folder'
complete -c tarnq-cli -n $list -l prefer -r -a '(__fish_complete_directories)' -d 'Select the copies in this folder'
complete -c tarnq-cli -n $list -l protect -r -a '(__fish_complete_directories)' -d 'Never select a file in this folder'
complete -c tarnq-cli -n $list -l copy-to -r -a '(__fish_complete_directories)' -d 'Copy the selected files'
complete -c tarnq-cli -n $list -l move-to -r -a '(__fish_complete_directories)' -d 'Move the selected files'
complete -c tarnq-cli -n $list -l trash -d 'Move the selected files to the Trash'
complete -c tarnq-cli -n $list -l delete -d 'Delete the selected files permanently'
complete -c tarnq-cli -n $list -l wipe -d 'Overwrite the selected files, then delete them'
complete -c tarnq-cli -n $list -l all-copies -d 'Let trash, delete, wipe take whole groups'
complete -c tarnq-cli -n $list -l dry-run -d 'Print what would be done, touch nothing'
complete -c tarnq-cli -n $list -s y -l yes -d 'Do not ask before acting'
complete -c tarnq-cli -n $list -s q -l quiet -d 'No plan, no progress'
complete -c tarnq-cli -n $list -l save -r -F -d 'Save the resulting list'
complete -c tarnq-cli -n $list -l export -r -F -d 'Export the resulting list'
complete -c tarnq-cli -n $list -l format -x -a 'txt txt-utf16 csv csv-utf16 html html-utf16 html-utf8 txt-utf8 csv-utf8' -d 'Export format'
complete -c tarnq-cli -n $list -l columns -x -a '+group +selected +size' -d 'Add columns to the export'
complete -c tarnq-cli -n "__fish_seen_subcommand_from find load info" -l json -d 'Print JSON lines'
complete -c tarnq-cli -n $list -l paths -d 'Print only the selected paths'
complete -c tarnq-cli -n $list -o 0 -d 'With --paths, end each path with NUL'

# play
set -l play "__fish_seen_subcommand_from play"
complete -c tarnq-cli -n $play -l start -x -d 'Begin this many seconds into the file'
complete -c tarnq-cli -n $play -l seconds -x -d 'Play at most this many seconds'
complete -c tarnq-cli -n $play -l volume -x -d 'Volume in percent'
complete -c tarnq-cli -n $play -l output -r -F -d 'Write a WAV file instead'
complete -c tarnq-cli -n "__fish_seen_subcommand_from $commands" -s h -l help -d 'Print the help'
