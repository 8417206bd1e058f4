/* Found as libcurl.so.4 but without any of its functions, as on a system
   where libcurl is broken or of another kind. */
int wavelark_not_libcurl = 1;
